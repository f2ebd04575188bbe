#include <filesystem>
#include <fnmatch.h>
#include <mfc/FileFind.h>

namespace fs = std::filesystem;

BOOL CFileFind::FindFile(LPCWSTR pstrName, DWORD) {
    Close();
    const std::string name = CString(pstrName ? pstrName : L"*").ToUtf8();
    if (name.empty())
        return FALSE;
    const fs::path path(name);
    const std::string pattern = path.filename().string();
    std::error_code ec;
    if (pattern.find_first_of("*?[") == std::string::npos) {
        // A plain name: one test on that name, nothing else is searched.
        const auto status = fs::status(path, ec);
        if (!fs::exists(status))
            return FALSE;
        m_matches.push_back({name, pattern, fs::is_directory(status)});
        return TRUE;
    }
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (::fnmatch(pattern.c_str(), entry.c_str(), FNM_PERIOD) != 0)
            continue;
        const std::string shown =
            path.has_parent_path() ? (path.parent_path() / entry).string() : entry;
        m_matches.push_back({shown, entry, it->is_directory(ec)});
    }
    return m_matches.empty() ? FALSE : TRUE;
}

BOOL CFileFind::FindNextFile() {
    if (m_next >= m_matches.size())
        return FALSE;
    m_current = &m_matches[m_next++];
    return m_next < m_matches.size() ? TRUE : FALSE;
}

CString CFileFind::GetFileName() const {
    return m_current ? CString(m_current->name) : CString();
}

CString CFileFind::GetFilePath() const {
    return m_current ? CString(m_current->path) : CString();
}

BOOL CFileFind::IsDirectory() const {
    return m_current && m_current->directory ? TRUE : FALSE;
}

void CFileFind::Close() {
    m_matches.clear();
    m_next = 0;
    m_current = nullptr;
}
