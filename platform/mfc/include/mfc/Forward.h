#pragma once

// Forward declarations of the framework's classes, for headers that only
// name them.

struct CRuntimeClass;
class CObject;
class CString;
class CPoint;
class CSize;
class CRect;
class CDC;
class CCmdTarget;
class CDataExchange;
class CWnd;
class CDialog;
class CWinThread;
class CWinApp;
class CFileFind;

using CStringW = CString;
