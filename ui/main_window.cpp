// CMainWnd: construction, initialisation, the controls it binds, its window messages and its
// end. The install flow itself is in main_window_flow.cpp.
#include "ui/main_window.h"

#include <glib-unix.h>
#include <signal.h>

#include "sys/log.h"
#include "toolkit/check_box.h"
#include "toolkit/edit.h"
#include "toolkit/label.h"
#include "toolkit/message_queue.h"
#include "toolkit/progress.h"
#include "toolkit/tab_layout.h"
#include "ui/language_selection.h"
#include "ui/sequence_controls.h"

namespace ui {

using toolkit::HWND;
using toolkit::LPARAM;
using toolkit::LRESULT;
using toolkit::UINT;
using toolkit::WPARAM;

namespace {

template <typename T>
T* Bind(toolkit::SkinWindowBase& window, std::wstring_view name) {
    return dynamic_cast<T*>(window.FindControl(name));
}

void ReleaseStage(UINT /*msg*/, WPARAM /*wParam*/, LPARAM lParam) {
    delete reinterpret_cast<StageMessage*>(lParam);
}

// SIGUSR1 stands for message 1224 from another process. The signal arrives through the loop
// (a GLib signal source), never in a handler, and is posted like any other sender's message.
gboolean OnDownloaderStartSignal(gpointer window) {
    toolkit::PostMessage(static_cast<HWND>(window), kMsgDownloaderStart, 0, 0);
    return G_SOURCE_CONTINUE;
}

}  // namespace

CMainWnd::CMainWnd(MainWindowOptions options, MainWindowEvents events)
    : CSkinFrame(FrameParams::ForSkinFile(L"MainWnd.xml")),
      m_options(std::move(options)),
      m_events(std::move(events)),
      abLabel(m_options.abGroup) {}

CMainWnd::~CMainWnd() {
    if (GetHWND() != nullptr) DestroyWindow();
    controller.reset();
    probeThread.reset();
}

StageCallback CMainWnd::PostingCallback(HWND window) {
    return [window](int code, double value, const wchar_t* text) {
        auto* stage = new StageMessage{code, value, text != nullptr ? text : L""};
        // A window that is gone cannot take it: the record stays here to be freed.
        if (!toolkit::PostMessage(window, kMsgStage, 0, reinterpret_cast<LPARAM>(stage),
                                  &ReleaseStage)) {
            delete stage;
        }
    };
}

toolkit::CControlUI* CMainWnd::CreateControl(std::wstring_view className) {
    return CreateSequenceControl(className);
}

void CMainWnd::InitWindow() {
    CSkinFrame::InitWindow();
    SetStyle((GetStyle() & 0xFF3EFFFF) | toolkit::WS_CLIPSIBLINGS | toolkit::WS_CLIPCHILDREN);
    SetExStyle(GetExStyle() & ~toolkit::WS_EX_TOPMOST);
    SetInstallerIcon(*this);
    BindControls();

    if (languageCombo != nullptr) ApplyLanguage(m_ui, m_options.language);
    // The product name, sized to its text, where the skin has a place for it.
    for (const wchar_t* name : {L"softNameLbl", L"bTitleLbl1", L"bTitleLbl2", L"bTitleLbl3"}) {
        auto* label = Bind<toolkit::CLabelUI>(*this, name);
        if (label == nullptr) continue;
        label->SetFixedWidth(
            m_ui.MeasureText(label->GetFont(), L"Collivo", label->GetTextStyle()).cx);
        label->SetText(L"Collivo");
    }

    controller =
        std::make_unique<CDownloadInstaller>(PostingCallback(GetHWND()), m_options.install);
    m_records.LoadInstallRecord();
    existingInstallFolder = m_records.registryInstallPath;
    previousUninstaller = m_records.registryUninstallPath;
    hasExistingInstallation = !existingInstallFolder.empty();
    if (installDirEdit != nullptr) installDirEdit->SetText(DefaultInstallFolder());
    CenterWindow();

    m_signalSource = g_unix_signal_source_new(SIGUSR1);
    g_source_set_callback(m_signalSource, &OnDownloaderStartSignal, const_cast<void*>(GetHWND()),
                          nullptr);
    g_source_attach(m_signalSource, g_main_context_get_thread_default());

    if (hasExistingInstallation) StartupDecision();
}

void CMainWnd::BindControls() {
    using namespace toolkit;
    mainTabLt = Bind<CTabLayoutUI>(*this, L"mainTabLt");
    titleTabLt = Bind<CTabLayoutUI>(*this, L"titleTabLt");
    defaultInstallBtn = FindControl(L"defaultInstallBtn");
    customeInstallBtn = FindControl(L"customeInstallBtn");
    customeBtn = FindControl(L"customeBtn");
    treatyBtn = Bind<CCheckBoxUI>(*this, L"treatyBtn");
    backBtn = FindControl(L"backBtn");
    openProduceBtn = FindControl(L"openProduceBtn");
    treatyCb = Bind<CCheckBoxUI>(*this, L"treatyCb");
    serviceCb = Bind<CCheckBoxUI>(*this, L"serviceCb");
    chDirBtn = FindControl(L"chDirBtn");
    installDirEdit = Bind<CEditUI>(*this, L"installDirEdit");
    progressLb = FindControl(L"progressLb");
    titleGrpCtn = FindControl(L"titleGrpCtn");
    winCtn = FindControl(L"winCtn");
    createDSCb = Bind<CCheckBoxUI>(*this, L"createDSCb");
    createQSCb = Bind<CCheckBoxUI>(*this, L"createQSCb");
    progressAnLb = FindControl(L"progressAnLb");
    finishedLbl = FindControl(L"finishedLbl");
    softNameLbl = FindControl(L"softNameLbl");
    installLogo = FindControl(L"installLogo");
    languageCombo = FindControl(L"languageCombo");
    tipLbl = FindControl(L"tipLbl");
    installPrg = Bind<CProgressUI>(*this, L"installPrg");
}

void CMainWnd::ClearControls() {
    mainTabLt = titleTabLt = nullptr;
    treatyBtn = treatyCb = serviceCb = createDSCb = createQSCb = nullptr;
    installDirEdit = nullptr;
    installPrg = nullptr;
    defaultInstallBtn = customeInstallBtn = customeBtn = backBtn = openProduceBtn = nullptr;
    chDirBtn = progressLb = titleGrpCtn = winCtn = progressAnLb = finishedLbl = nullptr;
    softNameLbl = installLogo = languageCombo = tipLbl = nullptr;
}

LRESULT CMainWnd::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case toolkit::WM_CLOSE:
            // The installation cannot be left half-done from the progress page.
            if (CurrentPage() == 2) return 0;
            break;
        case kMsgDownloaderStart:
            ReportDownloaderStart();
            break;
        case toolkit::WM_PAINT:
            // The moment the user first sees the window, for start-up measurements.
            if (!m_painted) LOG_TRACE(L"CMainWnd::HandleMessage", L"first paint");
            m_painted = true;
            break;
        case toolkit::WM_DESTROY:
            if (m_signalSource != nullptr) {
                g_source_destroy(m_signalSource);
                g_source_unref(m_signalSource);
                m_signalSource = nullptr;
            }
            break;
        case toolkit::WM_NCDESTROY: {
            // The controls go with the tree; nothing may reach them through these afterwards.
            const LRESULT result = CSkinFrame::HandleMessage(msg, wParam, lParam);
            ClearControls();
            return result;
        }
        default:
            break;
    }
    return CSkinFrame::HandleMessage(msg, wParam, lParam);
}

LRESULT CMainWnd::HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (msg == toolkit::WM_TIMER) OnTimerMessage(msg, wParam, lParam, handled);
    if (msg == kMsgStage) return OnStageMessage(msg, wParam, lParam, handled);
    return CSkinFrame::HandleCustomMessage(msg, wParam, lParam, handled);
}

LRESULT CMainWnd::OnTimerMessage(UINT /*msg*/, WPARAM /*wParam*/, LPARAM /*lParam*/,
                                 bool& /*handled*/) {
    return 0;
}

LRESULT CMainWnd::OnStageMessage(UINT /*msg*/, WPARAM /*wParam*/, LPARAM lParam, bool& handled) {
    handled = true;
    const std::unique_ptr<StageMessage> stage(reinterpret_cast<StageMessage*>(lParam));
    if (stage) OnStage(*stage);
    return 0;
}

int CMainWnd::CurrentPage() const {
    return mainTabLt != nullptr ? mainTabLt->GetCurSel() : -1;
}

}  // namespace ui
