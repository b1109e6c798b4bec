#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "analytics/sdk/default_consumer.h"
#include "analytics/sdk/last_upload.h"
#include "platform/paths.h"
#include "tests/analytics/diagnostic_capture.h"
#include "tests/analytics/test_collect_server.h"
#include "tests/support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using analytics_test::ClosedPort;
using analytics_test::DiagnosticCapture;
using event_collect::DefaultConsumer;
using event_collect::HttpSender;
using event_collect::utils::ObjectNode;

ObjectNode Record(int i) {
    ObjectNode record;
    record.Set("i", event_collect::ValueNode::Int(i));
    return record;
}

std::string RecordText(int i) {
    return "{\"i\":" + std::to_string(i) + "}";
}

std::vector<std::string> RecordTexts(int from, int to) {  // [from, to)
    std::vector<std::string> out;
    for (int i = from; i < to; ++i)
        out.push_back(RecordText(i));
    return out;
}

// The records as the staging file holds them: one per line.
std::string Lines(const std::vector<std::string>& records) {
    std::string out;
    for (const auto& record : records)
        out += record + "\n";
    return out;
}

void Fill(DefaultConsumer& queue, int from, int to) {
    for (int i = from; i < to; ++i)
        queue.Send(Record(i));
}

// A sender that lets the test act while its batch is in flight, then really posts it.
class InFlightSender : public HttpSender {
public:
    InFlightSender(std::string url, std::function<void()> duringUpload)
        : HttpSender(std::move(url)), m_duringUpload(std::move(duringUpload)) {}
    bool Send(std::string_view batchText) override {
        m_duringUpload();
        return HttpSender::Send(batchText);
    }

private:
    std::function<void()> m_duringUpload;
};

class ConsumerTest : public ::testing::Test {
protected:
    void SetUp() override { analytics_test::StartServer(m_server); }
    void TearDown() override { m_server.Stop(); }
    std::string StagingPath() const { return m_scratch / "staging.txt"; }
    void WriteStaging(const std::string& content) const {
        std::ofstream(platform::FsPath(StagingPath()), std::ios::binary) << content;
    }
    std::string ReadStaging() const {
        std::ifstream in(platform::FsPath(StagingPath()), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::string> StagedLines() const {
        std::vector<std::string> out;
        std::istringstream in(ReadStaging());
        for (std::string line; std::getline(in, line);)
            out.push_back(line);
        return out;
    }
    std::vector<std::string> Stored() const {
        std::vector<std::string> out;
        for (const auto& row : m_server.Records())
            out.push_back(row.record);
        return out;
    }

    testing_support::ScratchFolder m_scratch;
    analytics_test::CollectServer m_server;
};

TEST_F(ConsumerTest, FullQueueDropsItsOldestRecord) {
    DefaultConsumer queue(m_server.Url(), StagingPath());
    Fill(queue, 0, 1025);
    EXPECT_EQ(queue.Records(), RecordTexts(1, 1025));
}

TEST_F(ConsumerTest, FlushSendsBatchesOfThirtyOldestFirst) {
    DefaultConsumer queue(m_server.Url(), StagingPath());
    Fill(queue, 0, 31);
    EXPECT_TRUE(queue.Flush());
    EXPECT_EQ(queue.Records(), RecordTexts(30, 31));
    EXPECT_EQ(Stored(), RecordTexts(0, 30));
    EXPECT_TRUE(queue.FlushAll());
    EXPECT_EQ(queue.Size(), 0u);
    EXPECT_EQ(Stored(), RecordTexts(0, 31));
    EXPECT_EQ(m_server.UploadCount(), 2);
    // The batch went out as one JSON array in queue order.
    EXPECT_TRUE(queue.Flush());  // nothing queued: success without an upload
    EXPECT_EQ(m_server.UploadCount(), 2);
}

TEST_F(ConsumerTest, FailedBatchGoesBackAsFarAsRoomAllows) {
    const struct {
        const char* name;
        int queuedDuringUpload;
        std::vector<std::string> expected;
    } cases[] = {
        // 30 in flight, 1010 queued meanwhile: room for the last 14 of the batch.
        {"1010 queued meanwhile", 1010,
         [] {
             auto v = RecordTexts(16, 30);
             const auto meanwhile = RecordTexts(1000, 2010);
             v.insert(v.end(), meanwhile.begin(), meanwhile.end());
             return v;
         }()},
        // A full queue has no room: the batch is lost.
        {"1024 queued meanwhile", 1024, RecordTexts(1000, 2024)},
        {"nothing queued meanwhile", 0, RecordTexts(0, 30)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClosedPort refusing;
        DefaultConsumer* target = nullptr;
        auto sender = std::make_unique<InFlightSender>(refusing.Url("/sa?project=pc"), [&] {
            Fill(*target, 1000, 1000 + c.queuedDuringUpload);
        });
        DefaultConsumer queue(std::move(sender), "");
        target = &queue;
        Fill(queue, 0, 30);
        DiagnosticCapture capture;
        EXPECT_FALSE(queue.Flush());
        EXPECT_EQ(queue.Records(), c.expected);
    }
}

TEST_F(ConsumerTest, StatusOtherThan200FailsAndKeepsTheBatch) {
    const struct {
        int status;
        bool ok;
    } cases[] = {{200, true}, {204, false}, {500, false}, {200, true}, {302, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        m_server.SetAnswerStatus(c.status);
        DefaultConsumer queue(m_server.Url(), "");
        Fill(queue, 0, 3);
        DiagnosticCapture capture;
        EXPECT_EQ(queue.Flush(), c.ok);
        EXPECT_EQ(event_collect::LastUploadSucceeded(), c.ok);
        EXPECT_EQ(queue.Size(), c.ok ? 0u : 3u);
        EXPECT_EQ(capture.Lines().size(), c.ok ? 0u : 1u);
    }
}

TEST_F(ConsumerTest, StagingFileLoadsValidLinesAheadOfThisRun) {
    const std::string complete =
        RecordText(-2) + "\n" + "not a record\n" + "\n" + "{\"cut\":\n" + RecordText(-1) + "\r\n";
    // Regression: a last line without its line end is a write cut short by a kill or a power
    // failure. It can look like a record without being JSON, and then the server refused every
    // batch it rode in; it is dropped, and this run's records start on a line of their own.
    WriteStaging(complete + "{\"cut\":{\"a\":1}");
    DefaultConsumer queue(m_server.Url(), StagingPath());
    Fill(queue, 0, 2);
    EXPECT_EQ(ReadStaging(), complete + Lines(RecordTexts(0, 2)));
    EXPECT_TRUE(queue.FlushAll());
    EXPECT_EQ(Stored(), RecordTexts(-2, 2));
    EXPECT_EQ(ReadStaging(), "");
}

TEST_F(ConsumerTest, StagingFileKeepsOnlyTheNewestLinesThatFit) {
    const struct {
        const char* name;
        int queuedBefore;
        int stagedLines;
        int firstLoaded;  // staged lines are numbered -stagedLines .. -1
    } cases[] = {
        {"all fit", 5, 10, -10},
        {"room for four", 1020, 10, -4},
        {"full queue reads nothing", 1024, 10, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string staged;
        for (int i = -c.stagedLines; i < 0; ++i)
            staged += RecordText(i) + "\n";
        WriteStaging(staged);
        {
            DefaultConsumer queue(m_server.Url(), StagingPath());
            Fill(queue, 0, c.queuedBefore);
            queue.Close();  // loads, then writes the whole queue back
        }
        std::string expected;
        for (int i = c.firstLoaded; i < 0; ++i)
            expected += RecordText(i) + "\n";
        for (int i = 0; i < c.queuedBefore; ++i)
            expected += RecordText(i) + "\n";
        EXPECT_EQ(ReadStaging(), expected);
    }
}

TEST_F(ConsumerTest, StagingFileIsReadOnceAndKeptUntilAccepted) {
    WriteStaging(RecordText(-1) + "\n");
    DefaultConsumer queue(m_server.Url(), StagingPath());
    m_server.SetAnswerStatus(503);
    DiagnosticCapture capture;
    EXPECT_FALSE(queue.Flush());
    // Regression: the file was emptied as soon as it was loaded, so a kill before the next
    // successful upload lost the records of earlier runs.
    EXPECT_EQ(ReadStaging(), RecordText(-1) + "\n");
    // A line that appears later is not read again within this run.
    WriteStaging(RecordText(-9) + "\n");
    m_server.SetAnswerStatus(200);
    EXPECT_TRUE(queue.FlushAll());
    EXPECT_EQ(Stored(), RecordTexts(-1, 0));
    EXPECT_EQ(ReadStaging(), "");
}

// Regression: records tracked in a run reached the staging file only at close, so a kill or
// a power failure before a successful upload lost them. Each is on disk once Send returns and
// leaves the file only once the server has accepted it.
TEST_F(ConsumerTest, RecordsStayInTheStagingFileUntilAccepted) {
    DefaultConsumer queue(m_server.Url(), StagingPath());
    Fill(queue, 0, 31);
    EXPECT_EQ(ReadStaging(), Lines(RecordTexts(0, 31)));
    m_server.SetAnswerStatus(503);
    {
        DiagnosticCapture capture;
        EXPECT_FALSE(queue.Flush());
    }
    EXPECT_EQ(ReadStaging(), Lines(RecordTexts(0, 31)));
    m_server.SetAnswerStatus(200);
    EXPECT_TRUE(queue.Flush());
    EXPECT_EQ(ReadStaging(), Lines(RecordTexts(30, 31)));
    EXPECT_TRUE(queue.FlushAll());
    EXPECT_EQ(ReadStaging(), "");
}

// The staging file as a kill leaves it (the queue never closed) is read back as the queue was:
// earlier runs' records first, the newest that fit, in order. However long the collector is
// away, the file stays bounded.
TEST_F(ConsumerTest, AKilledRunLeavesItsQueueOnDisk) {
    const struct {
        const char* name;
        int tracked;
        int failedFlushAfter;  // -1: no upload is tried
        std::vector<std::string> expected;
    } cases[] = {
        {"nothing uploaded", 100, -1,
         [] {
             auto v = RecordTexts(-10, 0);
             const auto run = RecordTexts(0, 100);
             v.insert(v.end(), run.begin(), run.end());
             return v;
         }()},
        {"a refused upload in between", 40, 35,
         [] {
             auto v = RecordTexts(-10, 0);
             const auto run = RecordTexts(0, 40);
             v.insert(v.end(), run.begin(), run.end());
             return v;
         }()},
        {"long offline run keeps the newest", 5000, 2500, RecordTexts(5000 - 1024, 5000)},
    };
    const std::string afterKill = m_scratch / "after_kill.txt";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteStaging(Lines(RecordTexts(-10, 0)));
        std::string leftBehind;
        {
            ClosedPort refusing;
            DefaultConsumer queue(std::make_unique<HttpSender>(refusing.Url("/sa?project=pc")),
                                  StagingPath());
            DiagnosticCapture capture;
            for (int i = 0; i < c.tracked; ++i) {
                queue.Send(Record(i));
                if (i == c.failedFlushAfter) {
                    EXPECT_FALSE(queue.Flush());
                }
            }
            leftBehind = ReadStaging();  // what a kill at this moment would leave
        }
        const size_t lines =
            static_cast<size_t>(std::count(leftBehind.begin(), leftBehind.end(), '\n'));
        EXPECT_LE(lines, 2 * DefaultConsumer::kCapacity);
        std::ofstream(platform::FsPath(afterKill), std::ios::binary | std::ios::trunc)
            << leftBehind;

        const size_t before = m_server.Records().size();
        DefaultConsumer next(m_server.Url(), afterKill);
        EXPECT_TRUE(next.FlushAll());
        const auto stored = Stored();
        EXPECT_EQ(
            std::vector<std::string>(stored.begin() + static_cast<long>(before), stored.end()),
            c.expected);
    }
}

// Several threads track while a batch is in flight (and while the file is rewritten after it
// is accepted): whatever the server answers, the file ends up holding exactly the queue.
TEST_F(ConsumerTest, RecordsTrackedDuringAnUploadReachTheFile) {
    constexpr int kThreads = 4;
    constexpr int kPerThread = 200;  // the queue never overflows: every record must stay
    for (const int status : {200, 503}) {
        SCOPED_TRACE(status);
        fs::remove(platform::FsPath(StagingPath()));
        m_server.SetAnswerStatus(status);
        DefaultConsumer* target = nullptr;
        std::vector<std::thread> trackers;
        auto sender = std::make_unique<InFlightSender>(m_server.Url(), [&] {
            for (int t = 1; t <= kThreads; ++t)
                trackers.emplace_back([&, t] { Fill(*target, t * 1000, t * 1000 + kPerThread); });
        });
        DefaultConsumer queue(std::move(sender), StagingPath());
        target = &queue;
        Fill(queue, 0, 30);
        DiagnosticCapture capture;
        EXPECT_EQ(queue.Flush(), status == 200);
        for (auto& thread : trackers)
            thread.join();
        const auto queued = queue.Records();
        EXPECT_EQ(queued.size(), kThreads * kPerThread + (status == 200 ? 0u : 30u));
        EXPECT_EQ(StagedLines(), queued);
    }
}

TEST_F(ConsumerTest, RecordsLeftAtCloseReachTheNextRun) {
    m_server.SetAnswerStatus(500);
    {
        DefaultConsumer queue(m_server.Url(), StagingPath());
        Fill(queue, 0, 40);
        DiagnosticCapture capture;
        EXPECT_FALSE(queue.FlushAll());
    }  // closes: the 40 records go to the staging file
    m_server.SetAnswerStatus(200);
    DefaultConsumer next(m_server.Url(), StagingPath());
    Fill(next, 40, 45);
    EXPECT_TRUE(next.FlushAll());
    EXPECT_EQ(Stored(), RecordTexts(0, 45));
}

TEST_F(ConsumerTest, ClosedQueueUploadsNothingMore) {
    DefaultConsumer queue(m_server.Url(), StagingPath());
    Fill(queue, 0, 3);
    queue.Close();
    // Its records already sit in the staging file; sending them as well would duplicate them.
    EXPECT_FALSE(queue.Flush());
    EXPECT_EQ(m_server.UploadCount(), 0);
    EXPECT_EQ(ReadStaging(), RecordText(0) + "\n" + RecordText(1) + "\n" + RecordText(2) + "\n");
}

// Regression: closing while a batch was in flight wrote the staging file before the failed
// batch came back (and freed the sender under the upload), so those records were lost.
TEST_F(ConsumerTest, CloseWaitsForTheBatchInFlight) {
    ClosedPort refusing;
    DefaultConsumer* target = nullptr;
    std::thread closer;
    auto sender = std::make_unique<InFlightSender>(
        refusing.Url("/sa?project=pc"), [&] { closer = std::thread([&] { target->Close(); }); });
    DefaultConsumer queue(std::move(sender), StagingPath());
    target = &queue;
    Fill(queue, 0, 30);
    DiagnosticCapture capture;
    EXPECT_FALSE(queue.Flush());
    closer.join();
    std::string expected;
    for (const auto& text : RecordTexts(0, 30))
        expected += text + "\n";
    EXPECT_EQ(ReadStaging(), expected);
}

TEST_F(ConsumerTest, UnreadableStagingPathIsSkipped) {
    // A folder cannot be read or written as a file: nothing is loaded or kept, nothing fails.
    DefaultConsumer queue(m_server.Url(), m_scratch.Path() + "/");
    Fill(queue, 0, 2);
    EXPECT_TRUE(queue.FlushAll());
    EXPECT_EQ(Stored(), RecordTexts(0, 2));
}

}  // namespace
