#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>
#include <win32/Kernel.h>

namespace {

namespace fs = std::filesystem;

using AnswerFn = int (*)();

fs::path ExecutableFolder() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

TEST(Modules, ABareNameIsFoundBesideTheExecutableWithItsExports) {
    HMODULE m = LoadLibraryA("TestModule.dll");
    ASSERT_NE(m, nullptr);
    auto answer = reinterpret_cast<AnswerFn>(GetProcAddress(m, "Answer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(GetProcAddress(m, "NoSuchExport"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    // References count: one free of two loads leaves it usable.
    HMODULE again = LoadLibraryA("TestModule.dll");
    EXPECT_EQ(again, m);
    EXPECT_TRUE(FreeLibrary(again));
    EXPECT_EQ(answer(), 42);
    EXPECT_TRUE(FreeLibrary(m));
}

TEST(Modules, TheCurrentDirectoryIsNeverSearched) {
    const fs::path dir =
        fs::temp_directory_path() / ("tarvik-modules-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    fs::copy_file(ExecutableFolder() / "TestModule.dll", dir / "OnlyHere.dll",
                  fs::copy_options::overwrite_existing);
    const fs::path before = fs::current_path();
    fs::current_path(dir);
    fs::create_directories(dir / "sub");
    fs::copy_file(dir / "OnlyHere.dll", dir / "sub" / "OnlyHere.dll",
                  fs::copy_options::overwrite_existing);
    for (const char* name :
         {"OnlyHere.dll", "./OnlyHere.dll", "sub/OnlyHere.dll", "sub/../OnlyHere.dll"}) {
        EXPECT_EQ(LoadLibraryA(name), nullptr) << name;
        EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND) << name;
        EXPECT_EQ(LoadLibraryW(std::wstring(name, name + std::strlen(name)).c_str()), nullptr)
            << name;
    }
    // A relative name with a folder is taken from the executable's folder.
    HMODULE beside = LoadLibraryA("./TestModule.dll");
    EXPECT_NE(beside, nullptr);
    FreeLibrary(beside);
    fs::current_path(before);
    // The same file by its path loads.
    HMODULE m = LoadLibraryA((dir / "OnlyHere.dll").c_str());
    EXPECT_NE(m, nullptr);
    FreeLibrary(m);
    fs::remove_all(dir);
}

TEST(Modules, TheExecutableHasAHandleAndAFileName) {
    EXPECT_NE(GetModuleHandleW(nullptr), nullptr);
    wchar_t name[4096]{};
    ASSERT_GT(GetModuleFileNameW(nullptr, name, 4096), 0u);
    EXPECT_NE(std::wstring(name).find(L"win32_tests"), std::wstring::npos);
}

} // namespace
