#include "app/win32/main_dialog.h"

#include <algorithm>

#include "app/win32/page_resources.h"
#include "app/win32/resource.h"
#include "platform/win32/local_addresses.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_random_source.h"
#include "platform/win32/window_notifier.h"

namespace vork::win32 {

namespace {

constexpr int IMAGE_WIDTH_DIALOG_UNITS = 64;
constexpr int ADDRESS_LINE_DIALOG_UNITS = 12;

// The resource script needs plain macros; the logic names the same controls.
static_assert(IDC_ACCEPT == ACCEPT_BUTTON_ID && IDC_STATUS == STATUS_LINE_ID && IDC_DECLINE == DECLINE_BUTTON_ID &&
              IDC_HIDE == HIDE_BUTTON_ID && IDC_NOTICE == NOTICE_LINE_ID && IDC_ADDRESS == ADDRESS_LINE_ID);

}  // namespace

MainDialog::MainDialog(SocketsFactory makeSockets, KeyMapSource* keyMaps, std::optional<std::uint16_t> webPort)
    : makeSockets_(std::move(makeSockets)),
      keyMaps_(keyMaps),
      webPort_(webPort),
      icon_(static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_VORK), IMAGE_ICON, 0, 0,
                                          LR_DEFAULTSIZE))),
      background_(CreateSolidBrush(RGB(0, 0, 0))),
      controller_(Desktop{windows_, input_, system_, mixer_}),
      state_(std::make_shared<ConnectionState>()) {}

MainDialog::~MainDialog() {
    webServer_.reset();
    if (listener_) listener_->stop();
    listener_.reset();
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
        if (message.message == WM_KEYDOWN && forDialog && logic_ &&
            logic_->preTranslateKey(static_cast<unsigned>(message.wParam)))
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
    hideButton_.bind(dialog_, IDC_HIDE, IDB_HIDE, IMAGE_WIDTH_DIALOG_UNITS);
    declineButton_.bind(dialog_, IDC_DECLINE, IDB_DECLINE, IMAGE_WIDTH_DIALOG_UNITS);
    acceptButton_.bind(dialog_, IDC_ACCEPT, IDB_ACCEPT, IMAGE_WIDTH_DIALOG_UNITS);

    SendMessageA(dialog_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
    SendMessageA(dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.get()));

    mailbox_ = std::make_shared<UiMailbox>(std::make_shared<WindowNotifier>(dialog_));
    logic_ = std::make_unique<DialogLogic>(*this, *mailbox_, *state_, controller_, clock_, keyMaps_);
    logic_->initialise();

    statusLabel_.setStyle(1);
    noticeLabel_.setStyle(2);
    if (webPort_) startWebServer(*webPort_);

    listener_ = std::make_unique<ListenerThread>(makeSockets_(), mailbox_, state_);
    // A listener that cannot start leaves the status empty; the window works on.
    if (!listener_->start()) listener_.reset();
}

void MainDialog::startWebServer(std::uint16_t port) {
    webServer_ = std::make_unique<WebServer>(mailbox_, state_, std::make_unique<Win32RandomSource>(), pageResources());
    if (!webServer_->start(port)) {
        webServer_.reset();
        showAddressLine("Browser remote: cannot start", 1);
    }
}

void MainDialog::showWebServer(WebServerState state, std::uint16_t port) {
    const std::string number = std::to_string(port);
    switch (state) {
    case WebServerState::Listening: {
        // One address a line: a PC on Wi-Fi and Ethernet at once has two.
        const std::vector<std::string> addresses = localIpv4Addresses();
        std::string text = "Browser remote:";
        for (const std::string& address : addresses)
            text.append(&address == &addresses.front() ? " " : "\n").append("http://").append(address).append(":").append(
                number);
        if (addresses.empty()) text.append(" port ").append(number).append(", no network found");
        showAddressLine(text, std::max<std::size_t>(addresses.size(), 1));
        return;
    }
    case WebServerState::Retrying:
        showAddressLine("Browser remote: port " + number + " is in use, trying again", 1);
        return;
    case WebServerState::PortBusy: showAddressLine("Browser remote: port " + number + " cannot be used", 1); return;
    case WebServerState::Stopped: showAddressLine("Browser remote: stopped after an error", 1); return;
    }
}

void MainDialog::showAddressLine(const std::string& text, std::size_t lines) {
    if (!addressLabel_.handle()) {
        addressLabel_.bind(GetDlgItem(dialog_, IDC_ADDRESS));
        addressLabel_.setStyle(3);
    }
    RECT line{0, 0, 0, ADDRESS_LINE_DIALOG_UNITS * static_cast<int>(lines)};
    RECT before{0, 0, 0, ADDRESS_LINE_DIALOG_UNITS * static_cast<int>(addressLines_)};
    MapDialogRect(dialog_, &line);
    MapDialogRect(dialog_, &before);
    addressLines_ = lines;
    const LONG growth = line.bottom - before.bottom;
    if (IsIconic(dialog_)) {
        // A minimised window keeps its size for when it is restored.
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(dialog_, &placement);
        placement.rcNormalPosition.bottom += growth;
        SetWindowPlacement(dialog_, &placement);
    } else {
        RECT window;
        GetWindowRect(dialog_, &window);
        SetWindowPos(dialog_, nullptr, 0, 0, window.right - window.left, window.bottom - window.top + growth,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT control;
    GetWindowRect(addressLabel_.handle(), &control);
    SetWindowPos(addressLabel_.handle(), nullptr, 0, 0, control.right - control.left, line.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(addressLabel_.handle(), SW_SHOW);
    addressLabel_.setText(text.c_str());
}

INT_PTR MainDialog::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (logic_ && logic_->handleLinkMessage(message, wParam, lParam)) return TRUE;
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == STN_CLICKED && logic_) logic_->handleClick(LOWORD(wParam));
        return TRUE;
    case WM_TIMER:
        if (wParam == REPEAT_TIMER_ID && logic_) logic_->handleTimer();
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

void MainDialog::setRepeatTimer(bool running) {
    if (running)
        windows_.setTimer(fromHwnd(dialog_), REPEAT_TIMER_ID, REPEAT_PERIOD_MS);
    else
        KillTimer(dialog_, REPEAT_TIMER_ID);
}

}  // namespace vork::win32
