// The installer's skin as the build packs it: every layout builds and has the controls the
// windows look for, every image a layout names is in the archive at its size, every text
// renders, and each layout is drawn to a PNG in the build folder for people to look at.
#include <pugixml.hpp>

#include <map>
#include <set>

#include "platform/resources.h"
#include "tests/ui/ui_test_support.h"
#include "toolkit/check_box.h"
#include "toolkit/edit.h"
#include "toolkit/image_cache.h"
#include "toolkit/image_descriptor.h"
#include "toolkit/label.h"
#include "toolkit/progress.h"
#include "toolkit/skin_archive.h"
#include "toolkit/tab_layout.h"
#include "toolkit/text_render.h"

namespace ui_test {
namespace {

const wchar_t* const kLayouts[] = {L"mainWnd.xml",        L"MessageBox1Wnd.xml",
                                   L"MessageBox2Wnd.xml", L"exitTipWnd.xml",
                                   L"NetworkTipWnd.xml",  L"InstalledPathTipWnd.xml"};

std::string ReadArchived(std::wstring_view name) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(ResourceAccess::ReadFile(name, &bytes)) << Utils::ToUtf8(std::wstring(name));
    return {bytes.begin(), bytes.end()};
}

// Every image file a layout names, with the disabled-state images apart.
std::set<std::wstring> NamedImages(const pugi::xml_node& node) {
    static const std::set<std::string> kImageAttributes = {
        "bkimage",       "normalimage",   "hotimage",  "pushedimage",
        "disabledimage", "selectedimage", "foreimage", "shadowimage"};
    std::set<std::wstring> images;
    for (const pugi::xml_attribute& a : node.attributes()) {
        const std::string name = a.name();
        if (name == "sequencebkimage") {
            for (int i = 0; i < node.attribute("sequencecount").as_int(); ++i)
                images.insert(FormatFrameName(Utils::FromUtf8(a.value()), i));
        } else if (kImageAttributes.count(name) != 0) {
            ImageDescriptor image;
            if (ParseImageDescriptor(Utils::FromUtf8(a.value()), &image)) images.insert(image.file);
        }
    }
    for (const pugi::xml_node& child : node.children()) {
        for (const std::wstring& image : NamedImages(child))
            images.insert(image);
    }
    return images;
}

using SkinArchiveTest = SkinTest;

TEST_F(SkinArchiveTest, EveryNamedImageIsArchivedExceptTheDisabledStates) {
    ASSERT_TRUE(ResourceAccess::OpenArchiveFromResource(kSkinResourceId));
    std::set<std::wstring> missing;
    for (const wchar_t* layout : kLayouts) {
        pugi::xml_document document;
        const std::string markup = ReadArchived(layout);
        ASSERT_TRUE(document.load_buffer(markup.data(), markup.size())) << Utils::ToUtf8(layout);
        for (const std::wstring& image : NamedImages(document.document_element())) {
            uint32_t index = 0;
            uint64_t size = 0;
            if (!ResourceAccess::GetArchive()->Find(image, &index, &size)) missing.insert(image);
        }
    }
    EXPECT_EQ(missing, (std::set<std::wstring>{L"res\\common\\closebtn4.png",
                                               L"res\\common\\closebtnM_4.png",
                                               L"res\\common\\minbtn4.png"}));
}

TEST_F(SkinArchiveTest, ImagesHaveTheSizesTheLayoutsDependOn) {
    ASSERT_TRUE(ResourceAccess::OpenArchiveFromResource(kSkinResourceId));
    const struct {
        const wchar_t* name;
        Size size;
    } cases[] = {
        {L"res/mainWnd/bg1.png", {600, 400}},
        {L"res/mainWnd/bg4.png", {600, 400}},
        {L"res/mainWnd/logo.png", {263, 50}},
        {L"res/mainWnd/finished.png", {80, 80}},
        {L"res/mainWnd/installBtn3.png", {200, 46}},
        {L"res/mainWnd/installPrg1.png", {520, 8}},
        {L"res/mainWnd/tipLbl.png", {120, 36}},
        {L"res/mainWnd/installBtnAnimate/023.png", {160, 160}},
        {L"RES\\MAINWND\\BG1.PNG", {600, 400}},  // any letter case, either separator
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utils::ToUtf8(c.name));
        const auto image = ImageCache::Get(c.name);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ((Size{image->Width(), image->Height()}), c.size);
    }
    // The four backgrounds are one picture.
    EXPECT_EQ(ReadArchived(L"res/mainWnd/bg1.png"), ReadArchived(L"res/mainWnd/bg3.png"));
    // The window icon is linked in beside the skin.
    platform::ResourceBytes icon;
    ASSERT_TRUE(platform::FindResource(kIconResourceType, kIconResourceId, &icon));
    EXPECT_NE(Image::DecodePng(icon.data, icon.size), nullptr);
}

using SkinLayoutTest = SkinTest;

TEST_F(SkinLayoutTest, EachLayoutBuildsWithItsControlsAndRendersItsTexts) {
    const struct {
        const wchar_t* file;  // as the windows ask for it
        Size size;
        std::vector<std::wstring> controls;
    } cases[] = {
        {L"MainWnd.xml", {600, 400}, {L"mainTabLt",         L"titleTabLt",     L"defaultInstallBtn",
                                      L"customeInstallBtn", L"customeBtn",     L"treatyBtn",
                                      L"backBtn",           L"openProduceBtn", L"treatyCb",
                                      L"chDirBtn",          L"installDirEdit", L"progressLb",
                                      L"titleGrpCtn",       L"winCtn",         L"createDSCb",
                                      L"createQSCb",        L"progressAnLb",   L"tipLbl",
                                      L"installPrg",        L"minbtn",         L"closebtn"}},
        {L"MessageBox1Wnd.xml", {360, 180}, {L"textLbl", L"captionLbl", L"closebtn"}},
        {L"MessageBox2Wnd.xml", {360, 180}, {L"textLbl", L"captionLbl", L"closebtn"}},
        {L"ExitTipWnd.xml", {360, 180}, {L"okBtn", L"cancelBtn", L"closebtn"}},
        {L"NetworkTipWnd.xml", {360, 180}, {L"okBtn", L"cancelBtn", L"closebtn"}},
        {L"InstalledPathTipWnd.xml", {400, 180}, {L"okBtn", L"cancelBtn", L"closebtn"}},
    };
    for (const auto& c : cases) {
        const std::string name = Utils::ToUtf8(c.file);
        SCOPED_TRACE(name);
        SkinWindow window(c.file);
        ASSERT_NE(window.CreateWindow(), nullptr);
        EXPECT_EQ(window.GetClientSize(), c.size);
        for (const std::wstring& control : c.controls)
            EXPECT_NE(window.FindControl(control), nullptr) << Utils::ToUtf8(control);
        // No text falls back to boxes.
        window.GetUi().GetRoot()->ForEachControl([&](CControlUI& control) {
            auto* label = dynamic_cast<CLabelUI*>(&control);
            if (label == nullptr || label->GetText().empty()) return;
            EXPECT_EQ(
                CountMissingGlyphs(window.GetUi().GetFont(label->GetFont()), label->GetText()), 0)
                << Utils::ToUtf8(label->GetText());
        });
        window.ShowWindow();
        EXPECT_TRUE(WriteScreenshot(window, name.substr(0, name.find('.')) + ".png"));
    }
}

TEST_F(SkinLayoutTest, MainWindowPagesAsTheyLook) {
    SkinWindow window(L"MainWnd.xml");
    ASSERT_NE(window.CreateWindow(), nullptr);
    window.ShowWindow();
    // The commented-out product name is not built.
    EXPECT_EQ(window.FindControl(L"softNameLbl"), nullptr);
    for (const wchar_t* absent : {L"serviceCb", L"finishedLbl", L"installLogo", L"languageCombo"})
        EXPECT_EQ(window.FindControl(absent), nullptr);
    // The initial states the installer starts from.
    EXPECT_FALSE(window.FindControl(L"tipLbl")->IsVisible());
    EXPECT_EQ(window.FindControl(L"progressLb")->GetText(), L"正在安装中:0%，请稍候...");
    for (const wchar_t* box : {L"treatyCb", L"treatyBtn", L"createDSCb", L"createQSCb"}) {
        auto* check = dynamic_cast<CCheckBoxUI*>(window.FindControl(box));
        ASSERT_NE(check, nullptr);
        EXPECT_TRUE(check->IsSelected()) << Utils::ToUtf8(box);
    }
    auto* pages = dynamic_cast<CTabLayoutUI*>(window.FindControl(L"mainTabLt"));
    auto* titles = dynamic_cast<CTabLayoutUI*>(window.FindControl(L"titleTabLt"));
    ASSERT_NE(pages, nullptr);
    ASSERT_NE(titles, nullptr);
    EXPECT_EQ(pages->GetCurSel(), 0);
    EXPECT_EQ(pages->GetCount(), 4);
    EXPECT_EQ(titles->GetCount(), 3);

    // Each page drawn, with the hint and a hovered button on the first.
    window.FindControl(L"tipLbl")->SetVisible(true);
    offscreen::MoveMouse(window, window.FindControl(L"defaultInstallBtn")->GetPos().Center());
    EXPECT_TRUE(WriteScreenshot(window, "mainWnd-page0-hint.png"));
    offscreen::MoveMouse(window, {5, 300});
    window.FindControl(L"tipLbl")->SetVisible(false);
    dynamic_cast<CEditUI*>(window.FindControl(L"installDirEdit"))->SetText(L"/opt/Collivo");
    auto* progress = dynamic_cast<CProgressUI*>(window.FindControl(L"installPrg"));
    progress->SetValue(42);
    window.FindControl(L"progressLb")->SetText(L"正在安装中:42%，请稍候...");
    auto* animation = window.FindControl(L"progressAnLb");
    for (int tick = 0; tick < 4; ++tick)
        window.GetUi().FireTimer(animation, kSequenceTimerId);
    for (int page = 1; page < 4; ++page) {
        pages->SelectItem(page);
        titles->SelectItem(page == 1 ? 1 : 0);
        window.FindControl(L"titleGrpCtn")->SetVisible(page != 2);
        EXPECT_TRUE(WriteScreenshot(window, "mainWnd-page" + std::to_string(page) + ".png"));
    }
}

}  // namespace
}  // namespace ui_test
