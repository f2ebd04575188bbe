#include "ReportScan.h"

#include <algorithm>

CString ReportScan(const CString& strReport, const _tagScanField& field) {
    const int nLabel = strReport.Find(field.lpszLabel);
    if (nLabel < 0)
        return CString();
    const int nFrom = nLabel + field.nOffset;
    if (nFrom >= strReport.GetLength())
        return CString();
    const CString strPiece =
        strReport.Mid(nFrom, std::min(field.nCount, strReport.GetLength() - nFrom));
    const int nStop = strPiece.Find(field.chStop);
    return nStop < 0 ? strPiece : strPiece.Left(nStop);
}
