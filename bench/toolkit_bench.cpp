// Toolkit benchmark: a skin the size of the installer's (60 images, 6 layouts) packed by the
// 7z tool, then each step a window goes through, timed on its own:
//   OpenArchive   decode the whole archive from memory
//   BuildWindow   parse the main layout, build its controls, lay them out (archive open)
//   PaintCold     first paint of the 600 x 400 window, decoding every image it shows
//   PaintWarm     a repaint with the images decoded
// Run a release build: toolkit_bench [--benchmark_filter=...]
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "sys/text.h"
#include "toolkit/image_cache.h"
#include "toolkit/offscreen_driver.h"
#include "toolkit/resource_access.h"
#include "toolkit/skin_window_base.h"

using namespace toolkit;

namespace {

// Pictures with gradients and grain, so they compress like real artwork rather than to nothing.
void WriteImage(const std::filesystem::path& path, int width, int height, int seed) {
    std::filesystem::create_directories(path.parent_path());
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    uint32_t noise = static_cast<uint32_t>(seed) * 2654435761u + 1;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
        for (int x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const uint32_t grain = (noise >> 28) & 0x7;
            const uint32_t r = (x * 255 / std::max(1, width - 1) + grain) & 0xFF;
            const uint32_t g = (y * 255 / std::max(1, height - 1) + grain) & 0xFF;
            const uint32_t b = (static_cast<uint32_t>(seed) * 37 + grain) & 0xFF;
            row[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
        }
    }
    cairo_surface_mark_dirty(surface);
    cairo_surface_write_to_png(surface, path.string().c_str());
    cairo_surface_destroy(surface);
}

constexpr char kMainLayout[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<Window size="600,400" caption="0,0,0,35" roundcorner="1,0" showshadow="true" shadowsize="6">
  <Font id="0" name="微软雅黑" size="14" default="true"/>
  <Font id="1" name="微软雅黑" size="18"/>
  <Font id="2" name="微软雅黑" size="14"/>
  <Font id="6" name="微软雅黑" size="16"/>
  <VerticalLayout name="winCtn" bkimage="res\mainWnd\bg1.png">
    <HorizontalLayout height="45">
      <Control width="10"/>
      <TabLayout name="titleTabLt" width="200"><Control/>
        <Button name="backBtn" width="64" height="30" padding="0,11,0,0" normalimage="res\mainWnd\backBtn1.png" hotimage="res\mainWnd\backBtn2.png" pushedimage="res\mainWnd\backBtn3.png"/>
        <Control/></TabLayout>
      <Control/>
      <VerticalLayout width="72"><Control height="12"/>
        <HorizontalLayout name="titleGrpCtn" height="24">
          <Button name="minbtn" width="24" height="24" normalimage="file='res\common\minbtn1.png' fade='255'" hotimage="file='res\common\minbtn2.png' fade='255'" pushedimage="file='res\common\minbtn3.png' fade='255'" disabledimage="res\common\minbtn4.png"/>
          <Control width="24"/>
          <Button name="closebtn" width="24" height="24" normalimage="file='res\common\closebtn1.png' fade='255'" hotimage="file='res\common\closebtn2.png' fade='255'" pushedimage="file='res\common\closebtn3.png' fade='255'"/>
        </HorizontalLayout></VerticalLayout>
      <Control width="14"/>
    </HorizontalLayout>
    <HorizontalLayout><Control width="1"/>
      <TabLayout name="mainTabLt">
        <VerticalLayout>
          <Control height="59"/>
          <HorizontalLayout height="50"><Control/><Label width="263" bkimage="res\mainWnd\logo.png"/><Control/></HorizontalLayout>
          <Control height="50"/>
          <HorizontalLayout height="46"><Control/><Button name="defaultInstallBtn" width="200" text="立即安装" font="6" textcolor="#FFFFFFFF" normalimage="res\mainWnd\installBtn1.png" hotimage="res\mainWnd\installBtn2.png" pushedimage="res\mainWnd\installBtn3.png"/><Control/></HorizontalLayout>
          <Control/>
          <HorizontalLayout height="32"><Control width="10"/><Label name="tipLbl" width="116" visible="false" bkimage="res\mainWnd\tipLbl.png"/></HorizontalLayout>
          <Control height="4"/>
          <HorizontalLayout height="18"><Control width="20"/>
            <CheckBox name="treatyCb" width="68" selected="true" text="已同意" textcolor="#FF8991AF" textpadding="26,0,0,0" normalimage="file='res\mainWnd\Cb1.png' dest='0,3,15,17'" selectedimage="file='res\mainWnd\Cb2.png' dest='0,3,15,17'"/>
            <CheckBox name="treatyBtn" selected="true" text="《用户许可协议》" font="2" textcolor="0xFF0059FF"/>
            <Control/>
            <Button name="customeBtn" width="100" height="20" text="自定义安装" align="right" textpadding="0,0,18,0" textcolor="#FF606178" hottextcolor="#FF282A43" normalimage="file='res\mainWnd\customeBtn1.png' dest='84,2,100,18'" hotimage="file='res\mainWnd\customeBtn2.png' dest='84,2,100,18'"/>
            <Control width="10"/></HorizontalLayout>
          <Control height="20"/>
        </VerticalLayout>
        <VerticalLayout><Control height="29"/>
          <HorizontalLayout height="50"><Control/><Label width="263" bkimage="res\mainWnd\logo.png"/><Control/></HorizontalLayout>
          <Control height="44"/>
          <HorizontalLayout height="36"><Control width="52"/><Label width="70" text="安装路径："/><Control width="6"/>
            <Edit name="installDirEdit" width="340" textcolor="#FF333333" textpadding="9,0,9,3" bkimage="res\mainWnd\installDirEdit.png"/>
            <Control width="10"/><Button name="chDirBtn" width="81" normalimage="res/mainWnd/chDirBtn1.png" hotimage="res/mainWnd/chDirBt2.png" pushedimage="res/mainWnd/chDirBt3.png"/></HorizontalLayout>
          <Control height="20"/>
          <HorizontalLayout height="18"><Control width="52"/><Label width="66" text="其他选项："/><Control width="6"/>
            <CheckBox name="createDSCb" width="138" selected="true" text="创建桌面快捷方式" textpadding="26,0,0,0" normalimage="file='res\mainWnd\Cb1.png' dest='0,3,15,17'" selectedimage="file='res\mainWnd\Cb2.png' dest='0,3,15,17'"/>
            <Control width="20"/>
            <CheckBox name="createQSCb" width="138" selected="true" text="添加到快速启动栏" textpadding="26,0,0,0" normalimage="file='res\mainWnd\Cb1.png' dest='0,3,15,17'" selectedimage="file='res\mainWnd\Cb2.png' dest='0,3,15,17'"/></HorizontalLayout>
          <Control height="49"/>
          <HorizontalLayout height="46"><Control/><Button name="customeInstallBtn" width="200" text="立即安装" font="6" textcolor="#FFFFFFFF" normalimage="res\mainWnd\installBtn1.png"/><Control/></HorizontalLayout>
          <Control/></VerticalLayout>
        <VerticalLayout><Control height="33"/>
          <HorizontalLayout height="160"><Control/><Label name="progressAnLb" width="160" bkimage="res\mainWnd\installBtnAnimate\000.png"/><Control/></HorizontalLayout>
          <Control height="22"/>
          <HorizontalLayout height="30"><Control/><Label name="progressLb" width="360" text="正在安装中:0%，请稍候..." font="1" textcolor="#FF282A43" align="center"/><Control/></HorizontalLayout>
          <Control height="20"/>
          <HorizontalLayout height="8"><Control/><Progress name="installPrg" width="520" bkimage="file='res\mainWnd\installPrg1.png' corner='2,2,2,2' mask='#FF0000' fade='255' hole='false' xtiled='false' ytiled='false'" foreimage="file='res\mainWnd\installPrg2.png' corner='2,2,2,2' mask='#FF0000' fade='255' hole='false' xtiled='false' ytiled='false'"/><Control/></HorizontalLayout>
          <Control/></VerticalLayout>
        <VerticalLayout><Control height="50"/>
          <HorizontalLayout height="80"><Control/><Label width="80" bkimage="res\mainWnd\finished.png"/><Control/></HorizontalLayout>
          <Control/></VerticalLayout>
      </TabLayout>
      <Control width="1"/></HorizontalLayout>
  </VerticalLayout>
</Window>)";

constexpr char kTipLayout[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<Window size="360,180" caption="0,0,0,30" roundcorner="2,2">
  <Font id="0" name="微软雅黑" size="14" default="true"/><Font id="1" name="微软雅黑" size="16"/>
  <VerticalLayout bkcolor="#FFFFFFFF">
    <HorizontalLayout height="30" bkcolor="0xFFF5FAFE"><Control width="10"/>
      <Label name="captionLbl" text="CAPTION" font="1" textcolor="#FF666666"/>
      <Button name="closebtn" width="24" height="24" normalimage="res\common\closebtnM_1.png" hotimage="res\common\closebtnM_2.png" pushedimage="res\common\closebtnM_3.png"/></HorizontalLayout>
    <Label name="textLbl" text="TEXT" font="1" align="center" multiline="true" textcolor="#FF333333"/>
  </VerticalLayout>
</Window>)";

struct Skin {
    std::string bytes;
    size_t files = 0;
};

// Builds the archive once per process.
const Skin& TheSkin() {
    static const Skin skin = [] {
        Skin made;
        std::string pattern =
            (std::filesystem::temp_directory_path() / "toolkit-bench-XXXXXX").string();
        const std::filesystem::path root = mkdtemp(pattern.data());
        const std::filesystem::path in = root / "skin";
        int seed = 0;
        auto image = [&](const std::string& name, int w, int h) {
            WriteImage(in / name, w, h, ++seed);
            ++made.files;
        };
        for (const char* name : {"closebtn1", "closebtn2", "closebtn3", "closebtnM_1",
                                 "closebtnM_2", "closebtnM_3", "minbtn1", "minbtn2", "minbtn3"}) {
            image(std::string("res/common/") + name + ".png", 24, 24);
        }
        for (const char* name : {"icoNetwork", "icoQuest", "icoWarn"}) {
            image(std::string("res/MessageBoxWnd/") + name + ".png", 40, 40);
        }
        for (int i = 1; i <= 4; ++i)
            image("res/mainWnd/bg" + std::to_string(i) + ".png", 600, 400);
        image("res/mainWnd/logo.png", 263, 50);
        for (const char* name : {"backBtn1", "backBtn2", "backBtn3"}) {
            image(std::string("res/mainWnd/") + name + ".png", 64, 30);
        }
        for (const char* name : {"Cb1", "Cb2", "customeBtn1", "customeBtn2"}) {
            image(std::string("res/mainWnd/") + name + ".png", 16, 16);
        }
        for (const char* name : {"chDirBtn1", "chDirBt2", "chDirBt3"}) {
            image(std::string("res/mainWnd/") + name + ".png", 81, 36);
        }
        image("res/mainWnd/finished.png", 80, 80);
        for (int i = 1; i <= 3; ++i)
            image("res/mainWnd/installBtn" + std::to_string(i) + ".png", 200, 46);
        image("res/mainWnd/installDirEdit.png", 340, 36);
        image("res/mainWnd/installPrg1.png", 520, 8);
        image("res/mainWnd/installPrg2.png", 520, 8);
        image("res/mainWnd/tipLbl.png", 120, 36);
        for (int i = 0; i < 24; ++i) {
            char name[64];
            std::snprintf(name, sizeof(name), "res/mainWnd/installBtnAnimate/%03d.png", i);
            image(name, 160, 160);
        }
        image("res/mainWnd/installPrg3.png", 520, 8);  // 60 images
        auto layout = [&](const std::string& name, const char* markup) {
            std::ofstream(in / name) << markup;
            ++made.files;
        };
        layout("mainWnd.xml", kMainLayout);
        for (const char* name : {"MessageBox1Wnd.xml", "MessageBox2Wnd.xml", "exitTipWnd.xml",
                                 "NetworkTipWnd.xml", "InstalledPathTipWnd.xml"}) {
            layout(name, kTipLayout);
        }
        const std::filesystem::path archive = root / "skin.7z";
        const std::string command = "cd '" + in.string() +
                                    "' && 7z a -t7z -mx=9 -bd -bso0 -bsp0 '" + archive.string() +
                                    "' . >/dev/null";
        if (std::system(command.c_str()) == 0) {
            std::ifstream file(archive, std::ios::binary | std::ios::ate);
            made.bytes.resize(static_cast<size_t>(file.tellg()));
            file.seekg(0);
            file.read(made.bytes.data(), static_cast<std::streamsize>(made.bytes.size()));
        }
        std::filesystem::remove_all(root);
        return made;
    }();
    return skin;
}

class MainWindow : public SkinWindowBase {
public:
    std::wstring_view GetWindowClassName() const override { return L"MainWnd"; }
    std::wstring GetSkinFolder() override { return L""; }
    std::wstring GetSkinFile() override { return L"MainWnd.xml"; }
};

bool OpenSkin(benchmark::State& state) {
    const Skin& skin = TheSkin();
    if (skin.bytes.empty()) {
        state.SkipWithError("the 7z tool could not pack the skin");
        return false;
    }
    offscreen::Use();
    ResourceAccess::SetArchiveFormat(ArchiveFormat::kSevenZip);
    ResourceAccess::CloseArchive();
    return ResourceAccess::OpenArchive(skin.bytes.data(), skin.bytes.size());
}

void OpenArchive(benchmark::State& state) {
    const Skin& skin = TheSkin();
    if (skin.bytes.empty()) {
        state.SkipWithError("the 7z tool could not pack the skin");
        return;
    }
    size_t entries = 0;
    for (auto _ : state) {
        auto archive = SkinArchive::OpenFromMemory(skin.bytes.data(), skin.bytes.size(),
                                                   ArchiveFormat::kSevenZip);
        entries = archive ? archive->Entries().size() : 0;
        benchmark::DoNotOptimize(archive);
    }
    state.counters["archive_KiB"] = static_cast<double>(skin.bytes.size()) / 1024;
    state.counters["entries"] = static_cast<double>(entries);
    if (entries != skin.files) state.SkipWithError("the archive lost entries");
}

void BuildWindow(benchmark::State& state) {
    if (!OpenSkin(state)) return;
    for (auto _ : state) {
        MainWindow window;
        if (window.Create(nullptr, L"Collivo", WS_POPUP, 0) == nullptr) {
            state.SkipWithError("the window was not built");
            return;
        }
        window.GetUi().UpdateLayout();
        benchmark::DoNotOptimize(window.FindControl(L"installPrg"));
        state.PauseTiming();
        window.DestroyWindow();
        state.ResumeTiming();
    }
}

void Paint(benchmark::State& state, bool cold) {
    if (!OpenSkin(state)) return;
    MainWindow window;
    if (window.Create(nullptr, L"Collivo", WS_POPUP, 0) == nullptr) {
        state.SkipWithError("the window was not built");
        return;
    }
    offscreen::Snapshot(window);
    if (window.FindControl(L"customeInstallBtn") == nullptr)
        state.SkipWithError("the layout is incomplete");
    for (auto _ : state) {
        if (cold) {
            state.PauseTiming();
            ImageCache::Clear();
            state.ResumeTiming();
        }
        window.InvalidateAll();
        benchmark::DoNotOptimize(offscreen::Snapshot(window));
    }
}

void PaintCold(benchmark::State& state) {
    Paint(state, true);
}
void PaintWarm(benchmark::State& state) {
    Paint(state, false);
}

BENCHMARK(OpenArchive)->Unit(benchmark::kMillisecond);
BENCHMARK(BuildWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(PaintCold)->Unit(benchmark::kMillisecond);
BENCHMARK(PaintWarm)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
