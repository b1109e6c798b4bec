// UninstallerCopy: an earlier installation's uninstaller copied as "Collivo_un_asa.exe" into a
// folder of the temporary path that only this user can write, so that nobody else can put a
// program of their own where the installer will run it. The copy, and a folder made for it
// alone, go with the object. One owner at a time; movable.
#pragma once

#include <string>

class UninstallerCopy {
public:
    UninstallerCopy() = default;
    // Copies `uninstaller`. Path() stays empty when that fails: no private folder can be had,
    // an earlier copy cannot be removed, or the copy itself fails.
    explicit UninstallerCopy(const std::wstring& uninstaller);
    ~UninstallerCopy() { Remove(); }
    UninstallerCopy(UninstallerCopy&& other) noexcept;
    UninstallerCopy& operator=(UninstallerCopy&& other) noexcept;
    UninstallerCopy(const UninstallerCopy&) = delete;
    UninstallerCopy& operator=(const UninstallerCopy&) = delete;

    // The copy's path; empty without a copy.
    const std::wstring& Path() const { return m_path; }
    // Removes the copy, and the folder when it was made for this copy alone; Path() is empty
    // afterwards.
    void Remove();

private:
    std::wstring m_path;
    std::string m_ownFolder;  // made for this copy alone; empty when the copy went elsewhere
};
