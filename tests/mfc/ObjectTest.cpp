#include "TestDialogs.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

TEST(RuntimeClass, RecordsOfTheFrameworkAndOfDerivedClasses) {
    struct Row {
        const CRuntimeClass* record;
        const char* name;
        int size;
        const CRuntimeClass* base;
    };
    const Row rows[] = {
        {RUNTIME_CLASS(CCmdTarget), "CCmdTarget", sizeof(CCmdTarget), RUNTIME_CLASS(CObject)},
        {RUNTIME_CLASS(CWnd), "CWnd", sizeof(CWnd), RUNTIME_CLASS(CCmdTarget)},
        {RUNTIME_CLASS(CDialog), "CDialog", sizeof(CDialog), RUNTIME_CLASS(CWnd)},
        {RUNTIME_CLASS(CWinThread), "CWinThread", sizeof(CWinThread), RUNTIME_CLASS(CCmdTarget)},
        {RUNTIME_CLASS(CWinApp), "CWinApp", sizeof(CWinApp), RUNTIME_CLASS(CWinThread)},
        {RUNTIME_CLASS(CBaseDlg), "CBaseDlg", sizeof(CBaseDlg), RUNTIME_CLASS(CDialog)},
        {RUNTIME_CLASS(CDerivedDlg), "CDerivedDlg", sizeof(CDerivedDlg), RUNTIME_CLASS(CBaseDlg)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_STREQ(row.record->m_lpszClassName, row.name);
        EXPECT_EQ(row.record->m_nObjectSize, row.size);
        EXPECT_EQ(row.record->m_wSchema, 0xFFFFu);
        EXPECT_EQ(row.record->m_pfnCreateObject, nullptr);
        EXPECT_EQ(row.record->CreateObject(), nullptr);
        EXPECT_EQ(row.record->GetBaseClass(), row.base);
        EXPECT_TRUE(row.record->IsDerivedFrom(RUNTIME_CLASS(CObject)));
    }
    EXPECT_EQ(RUNTIME_CLASS(CObject)->GetBaseClass(), nullptr);
}

TEST(RuntimeClass, IsKindOfFollowsTheObjectsOwnClass) {
    CDerivedDlg dlg;
    const CObject& object = dlg;
    EXPECT_EQ(object.GetRuntimeClass(), RUNTIME_CLASS(CDerivedDlg));
    EXPECT_TRUE(object.IsKindOf(RUNTIME_CLASS(CDialog)));
    EXPECT_TRUE(object.IsKindOf(RUNTIME_CLASS(CDerivedDlg)));
    EXPECT_FALSE(object.IsKindOf(RUNTIME_CLASS(CWinThread)));
    EXPECT_FALSE(object.IsKindOf(nullptr));
    CBaseDlg base;
    EXPECT_FALSE(base.IsKindOf(RUNTIME_CLASS(CDerivedDlg)));
    EXPECT_TRUE(TestApp().IsKindOf(RUNTIME_CLASS(CWinApp)));
}

} // namespace
