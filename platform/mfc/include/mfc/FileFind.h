#pragma once

// Finding files by name. A name without a folder is looked for in the
// process's current directory. `*` and `?` in the last part of the name
// match as in a shell.

#include <mfc/Object.h>
#include <mfc/String.h>
#include <string>
#include <vector>

class CFileFind : public CObject {
public:
    CFileFind() = default;
    ~CFileFind() override = default;

    // TRUE when at least one file or folder matches; null means every entry
    // of the current directory. FindNextFile then steps to each match.
    BOOL FindFile(LPCWSTR pstrName = nullptr, DWORD dwUnused = 0);
    // Makes the next match current; FALSE when it is the last one.
    BOOL FindNextFile();
    CString GetFileName() const;
    CString GetFilePath() const;
    BOOL IsDirectory() const;
    void Close();

private:
    struct Match {
        std::string path; // as the name was given, UTF-8
        std::string name;
        bool directory = false;
    };
    std::vector<Match> m_matches;
    std::size_t m_next = 0;
    const Match* m_current = nullptr;
};
