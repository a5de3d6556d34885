// The messages the links post to the main window. The queued ones carry no
// parameters and the window takes their text from the mailbox; the others
// carry all they say in their parameters, so they are never dropped for want
// of room.
#pragma once

namespace vork {

inline constexpr unsigned WM_USER_BASE = 0x0400;
// Queued in the mailbox.
inline constexpr unsigned WM_PHONE_STATUS = WM_USER_BASE + 100;
inline constexpr unsigned WM_PHONE_NOTICE = WM_USER_BASE + 101;
inline constexpr unsigned WM_PHONE_REQUEST = WM_USER_BASE + 102;
inline constexpr unsigned WM_PHONE_COMMAND = WM_USER_BASE + 103;
// wParam: the connection; lParam: LINK_DEPARTED when it has gone, else 0 (a release).
inline constexpr unsigned WM_LINK_RELEASE = WM_USER_BASE + 104;
inline constexpr unsigned WM_WEB_INPUT = WM_USER_BASE + 105;
// wParam: the request its link withdrew unanswered.
inline constexpr unsigned WM_REQUEST_WITHDRAWN = WM_USER_BASE + 106;
// wParam: the browser remote's WebServerState; lParam: its port.
inline constexpr unsigned WM_WEB_SERVER = WM_USER_BASE + 107;
// wParam: 1 for on, 0 for off.
inline constexpr unsigned WM_SWITCH_WANTED = WM_USER_BASE + 108;

inline constexpr long LINK_DEPARTED = 1;

}  // namespace vork
