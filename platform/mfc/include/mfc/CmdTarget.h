#pragma once

// The root of everything that has a message map.

#include <mfc/MessageMap.h>
#include <mfc/Object.h>

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)

public:
    // Looks a command up in the map chain and calls its handler; FALSE when
    // no entry answers it.
    virtual BOOL OnCmdMsg(UINT nID, int nCode);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

    // The first entry of the chain that answers `nMsg` (and, for WM_COMMAND,
    // `nCode` and `nID`), or null.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT nMsg, UINT nCode, UINT nID) const;
};
