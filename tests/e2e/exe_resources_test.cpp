// The built executable as a file: a 32-bit GUI program carrying every resource
// the windows are made from.
#include "tests/win/test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace {

class LauncherImage : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = ::LoadLibraryExW(testutil::LauncherPath().c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override {
        if (module_) ::FreeLibrary(module_);
    }
    bool Has(const wchar_t* type, UINT id) const { return ::FindResourceW(module_, MAKEINTRESOURCEW(id), type); }

    HMODULE module_ = nullptr;
};

TEST(LauncherFile, IsA32BitGuiProgram) {
    if (testutil::Is64BitTestBuild()) GTEST_SKIP() << testutil::kNeeds32BitBuild;
    HANDLE file = ::CreateFileW(testutil::LauncherPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    IMAGE_DOS_HEADER dos{};
    IMAGE_NT_HEADERS32 nt{};
    DWORD got = 0;
    ::ReadFile(file, &dos, sizeof dos, &got, nullptr);
    ::SetFilePointer(file, dos.e_lfanew, nullptr, FILE_BEGIN);
    ::ReadFile(file, &nt, sizeof nt, &got, nullptr);
    std::vector<IMAGE_SECTION_HEADER> sections(nt.FileHeader.NumberOfSections);
    ::SetFilePointer(file, dos.e_lfanew + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader,
                     nullptr, FILE_BEGIN);
    ::ReadFile(file, sections.data(), static_cast<DWORD>(sections.size() * sizeof(IMAGE_SECTION_HEADER)), &got, nullptr);
    ::CloseHandle(file);
    EXPECT_EQ(nt.Signature, static_cast<DWORD>(IMAGE_NT_SIGNATURE));
    EXPECT_EQ(nt.FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(nt.OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
    EXPECT_EQ(nt.OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
#ifdef XCJY_STRIPPED_LAUNCHER
    // The release build ships without the symbol table and the static
    // runtime's debug sections (a third of the file).
    EXPECT_EQ(nt.FileHeader.NumberOfSymbols, 0u);
    for (const IMAGE_SECTION_HEADER& section : sections) {
        std::string name(reinterpret_cast<const char*>(section.Name), strnlen(reinterpret_cast<const char*>(section.Name), 8));
        EXPECT_NE(name.rfind("/", 0), 0u) << "a long-named (debug) section is left: " << name;
        EXPECT_NE(name.rfind(".debug", 0), 0u) << name;
    }
#endif
}

TEST_F(LauncherImage, CarriesTemplatesSkinsIconAndManifest) {
    for (UINT id : {102u, 127u, 129u, 139u, 140u, 144u, 147u, 158u, 163u}) EXPECT_TRUE(Has(RT_DIALOG, id)) << id;
    for (UINT id = 131; id <= 172; ++id) {
        bool listed = !(id == 136 || id == 139 || id == 140 || id == 144 || id == 145 || id == 147 ||
                        (id >= 153 && id <= 155) || id == 158 || id == 163 || id == 166);
        EXPECT_EQ(Has(L"PNG", id), listed) << id;
    }
    EXPECT_TRUE(Has(RT_GROUP_ICON, 128));
    EXPECT_TRUE(Has(RT_MANIFEST, 1));

    HRSRC manifest = ::FindResourceW(module_, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(manifest, nullptr);
    std::string text(static_cast<const char*>(::LockResource(::LoadResource(module_, manifest))),
                     ::SizeofResource(module_, manifest));
    EXPECT_NE(text.find("requireAdministrator"), std::string::npos);
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(text.find("6.0.0.0"), std::string::npos);
    EXPECT_NE(text.find("dpiAware"), std::string::npos);
}

TEST_F(LauncherImage, VersionIs15_1_23_3WithTheProductName) {
    HRSRC res = ::FindResourceW(module_, MAKEINTRESOURCEW(1), RT_VERSION);
    ASSERT_NE(res, nullptr);
    DWORD size = ::SizeofResource(module_, res);
    // VerQueryValue wants a writable copy.
    std::string copy(static_cast<const char*>(::LockResource(::LoadResource(module_, res))), size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(::VerQueryValueW(copy.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(1, 15));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(3, 23));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(1, 15));
    EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(3, 23));
    wchar_t* name = nullptr;
    ASSERT_TRUE(::VerQueryValueW(copy.data(), L"\\StringFileInfo\\080404b0\\ProductName",
                                 reinterpret_cast<void**>(&name), &len));
    EXPECT_EQ(std::wstring(name), L"RV星潮纪元极速登录器");
}

// The names of the libraries the loader maps with the program, read from its
// import directory (the image is mapped as an image, so RVAs are offsets from
// its base; either header kind).
std::vector<std::string> StaticImports(HMODULE module) {
    const auto* base = reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(module) & ~ULONG_PTR{3});
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt32 = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY imports =
        nt32->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC
            ? nt32->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT]
            : reinterpret_cast<const IMAGE_NT_HEADERS64*>(nt32)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::vector<std::string> names;
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         imports.VirtualAddress && d->Name; ++d) {
        std::string name = reinterpret_cast<const char*>(base + d->Name);
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        names.push_back(name);
    }
    return names;
}

// What the loader maps before the first window costs start-up time: the
// program imports only what start-up needs before the login frame shows, and
// loads the rest (GDI+, the shell, OLE automation, the sound and network
// libraries, the common controls) at their first call.
TEST_F(LauncherImage, ImportsOnlyWhatStartUpNeedsBeforeTheFirstWindow) {
    const std::vector<std::string> allowed = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll",
                                              "msvcrt.dll",   "ntdll.dll",  "ole32.dll"};
    const std::vector<std::string> imports = StaticImports(module_);
    EXPECT_FALSE(imports.empty());
    for (const std::string& name : imports)
        EXPECT_NE(std::find(allowed.begin(), allowed.end(), name), allowed.end()) << name << " is loaded with the program";
}

}  // namespace
