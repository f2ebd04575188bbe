#include <mfc/CmdTarget.h>

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static constexpr AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, 0, nullptr}};
    static constexpr AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT nMsg, UINT nCode, UINT nID) const {
    for (const AFX_MSGMAP* map = GetMessageMap(); map;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e && e->pfn; ++e) {
            if (nMsg == WM_COMMAND) {
                if (e->nMessage == WM_COMMAND && e->nCode == nCode && nID >= e->nID &&
                    nID <= e->nLastID)
                    return e;
            } else if (e->nMessage != WM_COMMAND && nMsg >= e->nMessage &&
                       nMsg <= e->nLastMessage) {
                return e;
            }
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode) {
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(WM_COMMAND, static_cast<UINT>(nCode), nID);
    if (!entry)
        return FALSE;
    entry->pfn(this, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(nID), static_cast<WORD>(nCode)), 0);
    return TRUE;
}
