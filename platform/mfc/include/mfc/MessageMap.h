#pragma once

// Message maps. A class declares its map with DECLARE_MESSAGE_MAP() and
// defines it in its source file:
//
//     BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//         ON_WM_SIZE()
//         ON_BN_CLICKED(IDOK, &CMyDlg::OnBnClickedOk)
//     END_MESSAGE_MAP()
//
// Every entry is built by a template that takes the handler as a member
// pointer of its exact type, so a handler with another signature does not
// compile. A map is searched before the map of its base, and the first
// entry that matches wins.

#include <concepts>
#include <type_traits>
#include <win32/Types.h>
#include <win32/User.h>

class CCmdTarget;

// Unpacks the message for one handler and calls it.
using AFX_PMSG = LRESULT (*)(CCmdTarget* pTarget, UINT nMsg, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage; // first message of the range
    UINT nLastMessage;
    UINT nCode; // WM_COMMAND: notification code
    UINT nID;   // WM_COMMAND: first and last control id
    UINT nLastID;
    AFX_PMSG pfn; // null ends the entries
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

namespace mfc::detail {

template <class Pmf>
struct MemberTraits {};
template <class C, class F>
struct MemberTraits<F C::*> {
    using Class = C;
    using Function = F;
};

template <auto Pmf>
using HandlerClass = typename MemberTraits<decltype(Pmf)>::Class;

// `Pmf` is a non-static member function of a command target with exactly the
// signature `Signature`.
template <auto Pmf, class Signature>
concept HandlerOf = std::is_member_function_pointer_v<decltype(Pmf)> &&
    std::same_as<typename MemberTraits<decltype(Pmf)>::Function, Signature> &&
    std::derived_from<HandlerClass<Pmf>, CCmdTarget>;

// WM_COMMAND with `code` from control `id`: void Handler().
template <auto Pmf>
requires HandlerOf<Pmf, void()>
constexpr AFX_MSGMAP_ENTRY CommandEntry(UINT id, UINT code) {
    return {WM_COMMAND, WM_COMMAND, code, id, id, [](CCmdTarget* t, UINT, WPARAM, LPARAM) {
                (static_cast<HandlerClass<Pmf>*>(t)->*Pmf)();
                return LRESULT{1};
            }};
}

} // namespace mfc::detail

#define DECLARE_MESSAGE_MAP()                                                                      \
protected:                                                                                         \
    static const AFX_MSGMAP* GetThisMessageMap();                                                  \
    const AFX_MSGMAP* GetMessageMap() const override;                                              \
                                                                                                   \
private:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                     \
    const AFX_MSGMAP* theClass::GetMessageMap() const {                                            \
        return GetThisMessageMap();                                                                \
    }                                                                                              \
    const AFX_MSGMAP* theClass::GetThisMessageMap() {                                              \
        using ThisClass [[maybe_unused]] = theClass;                                               \
        using TheBaseClass = baseClass;                                                            \
        static constexpr AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                                          \
    AFX_MSGMAP_ENTRY {                                                                             \
        0, 0, 0, 0, 0, nullptr                                                                     \
    }                                                                                              \
    }                                                                                              \
    ;                                                                                              \
    static constexpr AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap,                    \
                                              &_messageEntries[0]};                                \
    return &messageMap;                                                                            \
    }

// Commands (menus, accelerators, buttons: code 0) and button clicks. The
// handler is named as a member pointer: ON_COMMAND(ID_HELP, &CWinApp::OnHelp).
#define ON_COMMAND(id, memberFxn) ::mfc::detail::CommandEntry<memberFxn>((id), 0),
#define ON_BN_CLICKED(id, memberFxn) ::mfc::detail::CommandEntry<memberFxn>((id), BN_CLICKED),
