#include "app/win32/main_dialog.h"

#include <algorithm>

#include "app/tray_texts.h"
#include "app/win32/page_resources.h"
#include "app/win32/resource.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_random_source.h"
#include "platform/win32/window_notifier.h"
#include "platform/win32/winsock_serial_service.h"

namespace vork::win32 {

namespace {

constexpr int IMAGE_WIDTH_DIALOG_UNITS = 64;
constexpr int ADDRESS_LINE_DIALOG_UNITS = 12;
// A system menu item's id keeps its low four bits clear.
constexpr UINT_PTR CONNECT_PAGE_COMMAND = 0x0010;
constexpr UINT_PTR REPEAT_TIMER_ID = 100;
constexpr UINT_PTR LABEL_TIMER_ID = 101;

enum TrayCommand : UINT {
    TRAY_SHOW = 1,
    TRAY_CONNECT,
    TRAY_REMOTE,
    TRAY_SIGN_IN,
    TRAY_KEY_MAPS,
    TRAY_QUIT,
};

// The resource script needs plain macros; the logic names the same controls.
static_assert(IDC_ACCEPT == ACCEPT_BUTTON_ID && IDC_STATUS == STATUS_LINE_ID && IDC_DECLINE == DECLINE_BUTTON_ID &&
              IDC_HIDE == HIDE_BUTTON_ID && IDC_NOTICE == NOTICE_LINE_ID && IDC_ADDRESS == ADDRESS_LINE_ID);

// The window's texts are in the ANSI code page; the notification area's are wide.
std::string utf8OfAnsi(const std::string& text) { return utf8Of(wideOf(text, CP_ACP).c_str()); }

}  // namespace

MainDialog::MainDialog(MainDialogSetup setup)
    : setup_(std::move(setup)),
      icon_(static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_VORK), IMAGE_ICON, 0, 0,
                                          LR_DEFAULTSIZE))),
      background_(CreateSolidBrush(RGB(0, 0, 0))) {
    if (setup_.pairingsFile) pairingsFile_.emplace(*setup_.pairingsFile);
}

MainDialog::~MainDialog() {
    app_.reset();
    addressWatch_.reset();
    tray_.reset();
    if (dialog_ && IsWindow(dialog_)) DestroyWindow(dialog_);
}

bool MainDialog::create() {
    dialog_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN_DIALOG), nullptr,
                                 &MainDialog::procedure, reinterpret_cast<LPARAM>(this));
    return dialog_ != nullptr;
}

void MainDialog::runModal() {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        // Enter and Escape are the window's own keys before the dialog
        // manager can turn them into OK and Cancel.
        const bool forDialog = message.hwnd == dialog_ || IsChild(dialog_, message.hwnd);
        if (message.message == WM_KEYDOWN && forDialog && app_ &&
            app_->preTranslateKey(static_cast<unsigned>(message.wParam)))
            continue;
        if (IsWindow(dialog_) && IsDialogMessageA(dialog_, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

INT_PTR CALLBACK MainDialog::procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        auto* self = reinterpret_cast<MainDialog*>(lParam);
        self->dialog_ = dialog;
        self->initialise();
        return TRUE;  // the default focus is to be set
    }
    auto* self = reinterpret_cast<MainDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    return self ? self->handleMessage(message, wParam, lParam) : FALSE;
}

void MainDialog::initialise() {
    noticeLabel_.bind(GetDlgItem(dialog_, IDC_NOTICE));
    statusLabel_.bind(GetDlgItem(dialog_, IDC_STATUS));
    addressLabel_.bind(GetDlgItem(dialog_, IDC_ADDRESS));
    hideButton_.bind(dialog_, IDC_HIDE, IDB_HIDE, IMAGE_WIDTH_DIALOG_UNITS);
    declineButton_.bind(dialog_, IDC_DECLINE, IDB_DECLINE, IMAGE_WIDTH_DIALOG_UNITS);
    acceptButton_.bind(dialog_, IDC_ACCEPT, IDB_ACCEPT, IMAGE_WIDTH_DIALOG_UNITS);

    SendMessageA(dialog_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
    SendMessageA(dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.get()));
    HMENU systemMenu = GetSystemMenu(dialog_, FALSE);
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(systemMenu, MF_STRING, CONNECT_PAGE_COMMAND, L"Connect a phone\u2026");
    openConnectPageMessage_ = RegisterWindowMessageA(OPEN_CONNECT_PAGE_MESSAGE);
    tray_ = std::make_unique<TrayIcon>(dialog_, icon_.get(), WM_TRAY_ICON);
    addressWatch_ = std::make_unique<AddressChangeWatch>(dialog_, WM_NETWORK_CHANGED);

    statusLabel_.setStyle(1);
    noticeLabel_.setStyle(2);
    addressLabel_.setStyle(3);

    AppPlatform platform{
        Desktop{windows_, input_, system_, sound_},
        clock_,
        choices_,
        shell_,
        adapters_,
        pairingsFile_ ? &*pairingsFile_ : nullptr,
        [makeSockets = setup_.makeSockets]() -> std::unique_ptr<SerialService> {
            return std::make_unique<WinsockSerialService>(makeSockets());
        },
        []() -> std::unique_ptr<RandomSource> { return std::make_unique<Win32RandomSource>(); },
        []() -> std::unique_ptr<NetworkAdapters> { return std::make_unique<Win32NetworkAdapters>(); },
        pageResources(),
        ownComputerNames(),
    };
    app_ = std::make_unique<VorkApp>(std::move(platform), setup_.settings, *this,
                                     std::make_shared<WindowNotifier>(dialog_));
    app_->start();
    if (setup_.openConnectPage) PostMessageA(dialog_, openConnectPageMessage_, 0, 0);
}

void MainDialog::showAddressLine(const std::string& text, std::size_t lines) {
    RECT line{0, 0, 0, ADDRESS_LINE_DIALOG_UNITS * static_cast<int>(lines)};
    RECT before{0, 0, 0, ADDRESS_LINE_DIALOG_UNITS * static_cast<int>(addressLines_)};
    MapDialogRect(dialog_, &line);
    MapDialogRect(dialog_, &before);
    addressLines_ = lines;
    const LONG growth = line.bottom - before.bottom;
    if (growth != 0 && IsIconic(dialog_)) {
        // A minimised window keeps its size for when it is restored.
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(dialog_, &placement);
        placement.rcNormalPosition.bottom += growth;
        SetWindowPlacement(dialog_, &placement);
    } else if (growth != 0) {
        RECT window;
        GetWindowRect(dialog_, &window);
        SetWindowPos(dialog_, nullptr, 0, 0, window.right - window.left, window.bottom - window.top + growth,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT control;
    GetWindowRect(addressLabel_.handle(), &control);
    SetWindowPos(addressLabel_.handle(), nullptr, 0, 0, control.right - control.left, std::max<LONG>(line.bottom, 1),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(addressLabel_.handle(), lines > 0 ? SW_SHOW : SW_HIDE);
    addressLabel_.setText(text.c_str());
}

void MainDialog::showTray(DialogMode mode, const std::string& name) {
    if (tray_) tray_->setTip(wideOf(trayTip(mode, utf8OfAnsi(name))));
}

void MainDialog::alertRequest(const std::string& name) {
    // Seen already: the request shows in the window as ever.
    if (!IsIconic(dialog_) && IsWindowVisible(dialog_) && GetForegroundWindow() == dialog_) return;
    // Flashes until the window comes to the front; the request itself never brings it there.
    FLASHWINFO flash{sizeof flash, dialog_, FLASHW_TRAY | FLASHW_TIMERNOFG, 0, 0};
    FlashWindowEx(&flash);
    if (tray_) tray_->notify(L"Vork", wideOf(requestNotification(utf8OfAnsi(name))));
}

void MainDialog::showWindowAgain() {
    ShowWindow(dialog_, IsIconic(dialog_) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(dialog_);
}

void MainDialog::showTrayMenu() {
    const SwitchDecision decision = app_->remoteSwitch();
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, TRAY_SHOW, L"Show Vork");
    AppendMenuW(menu, MF_STRING, TRAY_CONNECT, L"Connect a phone\u2026");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    // The command line or the settings file decides: the user cannot here.
    AppendMenuW(menu, MF_STRING | (decision.on ? MF_CHECKED : 0) | (decision.locked() ? MF_GRAYED : 0), TRAY_REMOTE,
                L"Browser remote");
    AppendMenuW(menu, MF_STRING | (startsAtSignIn() ? MF_CHECKED : 0), TRAY_SIGN_IN, L"Start when I sign in");
    AppendMenuW(menu, MF_STRING | (app_->canOpenKeyMaps() ? 0 : MF_GRAYED), TRAY_KEY_MAPS, L"Open key maps");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, TRAY_QUIT, L"Quit");
    SetMenuDefaultItem(menu, TRAY_SHOW, FALSE);
    POINT at{};
    GetCursorPos(&at);
    // The menu closes when the user clicks elsewhere only if its window is in front.
    SetForegroundWindow(dialog_);
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0, dialog_, nullptr));
    PostMessageA(dialog_, WM_NULL, 0, 0);
    DestroyMenu(menu);
    switch (chosen) {
    case TRAY_SHOW: showWindowAgain(); break;
    case TRAY_CONNECT: app_->openConnectPage(); break;
    case TRAY_REMOTE: app_->switchWanted(!decision.on); break;
    case TRAY_SIGN_IN: setStartAtSignIn(!startsAtSignIn()); break;
    case TRAY_KEY_MAPS:
        app_->openKeyMaps();
        break;
    case TRAY_QUIT: DestroyWindow(dialog_); break;
    default: break;  // dismissed
    }
}

bool MainDialog::handleOwnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TRAY_ICON) {
        switch (static_cast<UINT>(lParam)) {
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case NIN_BALLOONUSERCLICK: showWindowAgain(); break;
        case WM_RBUTTONUP:
        case WM_CONTEXTMENU: showTrayMenu(); break;
        default: break;
        }
        return true;
    }
    if (tray_ && tray_->isTaskbarCreated(message)) {
        tray_->addAgain();
        return true;
    }
    if (message == openConnectPageMessage_ && message != 0) {
        if (app_) app_->openConnectPage();
        return true;
    }
    if (message == WM_NETWORK_CHANGED) {
        if (app_) app_->addressesChanged();
        return true;
    }
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == CONNECT_PAGE_COMMAND) {
        if (app_) app_->openConnectPage();
        return true;
    }
    return false;
}

INT_PTR MainDialog::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LINK_WAKE) {
        if (app_) app_->handleWake(static_cast<unsigned>(wParam));
        return TRUE;
    }
    if (handleOwnMessage(message, wParam, lParam)) return TRUE;
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == STN_CLICKED && app_) app_->handleClick(LOWORD(wParam));
        return TRUE;
    case WM_TIMER:
        if (wParam == REPEAT_TIMER_ID && app_) app_->handleTimer();
        if (wParam == LABEL_TIMER_ID && app_) app_->handleLabelWatch();
        return FALSE;
    case WM_ACTIVATE:
        // Shown again: the addresses may have changed meanwhile.
        if (LOWORD(wParam) != WA_INACTIVE && app_) app_->addressesChanged();
        return FALSE;
    case WM_CTLCOLORSTATIC:
        return controlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORMSGBOX:
        return reinterpret_cast<INT_PTR>(background_.get());
    case WM_PAINT: return paintIconWhenMinimised() ? TRUE : FALSE;
    case WM_QUERYDRAGICON: return reinterpret_cast<INT_PTR>(icon_.get());
    case WM_CLOSE:
        DestroyWindow(dialog_);
        return TRUE;
    case WM_DESTROY:
        tray_.reset();  // the icon goes with the window
        PostQuitMessage(0);
        return TRUE;
    default: return FALSE;
    }
}

INT_PTR MainDialog::controlColour(HDC context, HWND control) {
    if (control == statusLabel_.handle()) SetTextColor(context, statusLabel_.colour());
    if (control == noticeLabel_.handle()) SetTextColor(context, noticeLabel_.colour());
    if (control == addressLabel_.handle()) SetTextColor(context, addressLabel_.colour());
    SetBkMode(context, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(background_.get());
}

bool MainDialog::paintIconWhenMinimised() {
    if (!IsIconic(dialog_)) return false;
    PAINTSTRUCT paint;
    HDC context = BeginPaint(dialog_, &paint);
    SendMessageA(dialog_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(context), 0);
    RECT client;
    GetClientRect(dialog_, &client);
    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int iconHeight = GetSystemMetrics(SM_CYICON);
    DrawIcon(context, (client.right - client.left - iconWidth + 1) / 2, (client.bottom - client.top - iconHeight + 1) / 2,
             icon_.get());
    EndPaint(dialog_, &paint);
    return true;
}

void MainDialog::setStatusText(const std::string& text) { statusLabel_.setText(text.c_str()); }

void MainDialog::setNoticeText(const std::string& text) { noticeLabel_.setText(text.c_str()); }

void MainDialog::showControl(ControlId control, bool visible) {
    switch (control) {
    case ACCEPT_BUTTON_ID: acceptButton_.show(visible); break;
    case DECLINE_BUTTON_ID: declineButton_.show(visible); break;
    case HIDE_BUTTON_ID: hideButton_.show(visible); break;
    default: ShowWindow(GetDlgItem(dialog_, control), visible ? SW_SHOW : SW_HIDE); break;
    }
}

void MainDialog::minimise() { ShowWindow(dialog_, SW_MINIMIZE); }

void MainDialog::runTimer(UINT_PTR id, UINT periodMs, bool running) {
    if (running)
        SetTimer(dialog_, id, periodMs, nullptr);
    else
        KillTimer(dialog_, id);
}

void MainDialog::setRepeatTimer(bool running) { runTimer(REPEAT_TIMER_ID, REPEAT_PERIOD_MS, running); }

void MainDialog::setLabelWatch(bool running) { runTimer(LABEL_TIMER_ID, LABEL_WATCH_PERIOD_MS, running); }

}  // namespace vork::win32
