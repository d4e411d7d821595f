// regsvr32 registers and unregisters both editions; what the registry holds is read back
// through the registry API, in this process's own view (a 32-bit process sees the 32-bit
// registrations).

#include "control_files.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>

namespace tavo::testing {
namespace {

// A key and its values, "sub\key" (a key) and "sub\key@name" (a value, "@" alone the default),
// each with its type and data.
using TRegistryTree = std::map<std::string, std::string>;

void ReadTree(HKEY key, const std::wstring& path, TRegistryTree& tree) {
    tree[Narrow(path)] = "(key)";
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384];
        DWORD nameLength = std::size(name);
        DWORD type = 0;
        BYTE data[65536];
        DWORD dataLength = sizeof data;
        if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, data, &dataLength) !=
            ERROR_SUCCESS)
            break;
        std::string value = "type " + std::to_string(type);
        if (type == REG_SZ)
            value = Narrow(std::wstring(
                reinterpret_cast<const wchar_t*>(data),
                wcsnlen(reinterpret_cast<const wchar_t*>(data), dataLength / sizeof(wchar_t))));
        tree[Narrow(path + L"@" + name)] = value;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = std::size(name);
        if (RegEnumKeyExW(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        HKEY child = nullptr;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &child) != ERROR_SUCCESS)
            continue;
        ReadTree(child, path.empty() ? name : path + L"\\" + name, tree);
        RegCloseKey(child);
    }
}

// The tree below HKEY_CLASSES_ROOT\root, or nothing when the key is missing.
TRegistryTree ClassesTree(const std::wstring& root) {
    TRegistryTree tree;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, root.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return tree;
    ReadTree(key, L"", tree);
    RegCloseKey(key);
    return tree;
}

bool ClassesKeyExists(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::string DefaultValue(const std::wstring& path) {
    TRegistryTree tree = ClassesTree(path);
    auto it = tree.find("@");
    return it == tree.end() ? "(missing)" : it->second;
}

std::wstring CopyInto(const std::wstring& folder, const std::wstring& library) {
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring copy = folder + L"\\TavoProj1.ocx";
    EXPECT_TRUE(CopyFileW(library.c_str(), copy.c_str(), FALSE)) << GetLastError();
    return copy;
}

std::wstring TempFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    return temp;
}

TEST(ControlRegistration, WritesExactlyTheClassKeysAndRemovesThemAgain) {
    const std::wstring parent = TempFolder() + L"TavoRegistration";
    CreateDirectoryW(parent.c_str(), nullptr);
    for (const TEdition& edition : Editions()) {
        for (const wchar_t* folderName : {L"plain", L"with space"}) {
            const std::wstring library =
                CopyInto(parent + L"\\" + folderName + L"-" + Widen(edition.Name), edition.Library);
            SCOPED_TRACE(Narrow(library));
            std::wstring inprocPath = library;
            if (library.find(L' ') != std::wstring::npos) {
                wchar_t shortPath[MAX_PATH] = {};
                ASSERT_GT(GetShortPathNameW(library.c_str(), shortPath, MAX_PATH), 0u);
                inprocPath = shortPath;
                // Wine must answer a real 8.3 path here, or this case tests nothing.
                ASSERT_EQ(inprocPath.find(L' '), std::wstring::npos) << Narrow(inprocPath);
                ASSERT_NE(GetFileAttributesW(inprocPath.c_str()), INVALID_FILE_ATTRIBUTES);
            }

            ASSERT_EQ(Regsvr32(library, false), 0u);
            const std::string clsid = Narrow(edition.ClassId);
            const std::string progId = Narrow(edition.ProgId);
            const TRegistryTree expectedClass = {
                {"", "(key)"},
                {"@", "Tavo Control"},
                {"InprocServer32", "(key)"},
                {"InprocServer32@", Narrow(inprocPath)},
                {"InprocServer32@ThreadingModel", "Apartment"},
                {"ProgID", "(key)"},
                {"ProgID@", progId},
                {"Version", "(key)"},
                {"Version@", "1.0"},
                {"TypeLib", "(key)"},
                {"TypeLib@", Narrow(TypeLibraryId)},
                {"MiscStatus", "(key)"},
                {"MiscStatus@", "0"},
                {"MiscStatus\\1", "(key)"},
                {"MiscStatus\\1@", "205201"},
                {"ToolboxBitmap32", "(key)"},
                {"ToolboxBitmap32@", Narrow(library) + ",1"},
                {"Control", "(key)"},
                {"Control@", ""},
                {"Verb", "(key)"},
                {"Verb@", ""},
                {"Verb\\0", "(key)"},
                {"Verb\\0@", "Properties,0,2"},
            };
            EXPECT_EQ(ClassesTree(L"CLSID\\" + edition.ClassId), expectedClass);
            const TRegistryTree expectedProgId = {
                {"", "(key)"}, {"@", "Tavo Control"}, {"Clsid", "(key)"}, {"Clsid@", clsid}};
            EXPECT_EQ(ClassesTree(edition.ProgId), expectedProgId);

            const std::wstring typeLib = std::wstring(L"TypeLib\\") + TypeLibraryId + L"\\1.0";
            const wchar_t* kind = sizeof(void*) == 8 ? L"\\409\\win64" : L"\\409\\win32";
            EXPECT_EQ(DefaultValue(typeLib), "TavoProj1 Library");
            // Wine adds the disk-image flag; the library must say it holds a control.
            EXPECT_TRUE(std::stoul("0" + DefaultValue(typeLib + L"\\FLAGS")) & LIBFLAG_FCONTROL);
            EXPECT_EQ(DefaultValue(typeLib + kind), Narrow(library));

            ASSERT_EQ(Regsvr32(library, true), 0u);
            for (const std::wstring& key :
                 {L"CLSID\\" + edition.ClassId, edition.ProgId,
                  std::wstring(L"TypeLib\\") + TypeLibraryId,
                  std::wstring(L"Interface\\{96819E62-D2DF-4A83-A542-EB66888DAE8D}")})
                EXPECT_FALSE(ClassesKeyExists(key)) << Narrow(key) << " is left";
            // Missing keys are no failure.
            EXPECT_EQ(Regsvr32(library, true), 0u);
        }
    }
}

TEST(ControlLibrary, ExportsItsEntryPointsByTheirOrdinals) {
    for (const TEdition& edition : Editions()) {
        SCOPED_TRACE(edition.Name);
        HMODULE module = LoadLibraryW(edition.Library.c_str());
        ASSERT_NE(module, nullptr) << GetLastError();
        const auto* base = reinterpret_cast<const BYTE*>(module);
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& entry =
            nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
        ASSERT_NE(entry.VirtualAddress, 0u);
        const auto* exports =
            reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
        EXPECT_STREQ(reinterpret_cast<const char*>(base + exports->Name), "TavoProj1.ocx");
        const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
        const auto* ordinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);
        std::map<std::string, DWORD> byName;
        for (DWORD i = 0; i < exports->NumberOfNames; ++i)
            byName[reinterpret_cast<const char*>(base + names[i])] = exports->Base + ordinals[i];
        const std::map<std::string, DWORD> expected = {{"DllUnregisterServer", 1},
                                                       {"DllRegisterServer", 2},
                                                       {"DllCanUnloadNow", 3},
                                                       {"DllGetClassObject", 4}};
        EXPECT_EQ(byName, expected);
        EXPECT_EQ(exports->NumberOfFunctions, 4u);

        auto getClassObject = Entry<TGetClassObject>(module, "DllGetClassObject");
        auto canUnloadNow = Entry<TCanUnloadNow>(module, "DllCanUnloadNow");
        ASSERT_TRUE(getClassObject && canUnloadNow);
        const CLSID foreign = {
            0x0C0E4CD2, 0x59DF, 0x48EF, {0x89, 0x04, 0x1A, 0x16, 0x8D, 0x9A, 0x09, 0xB1}};
        void* factory = &factory;
        EXPECT_EQ(getClassObject(foreign, IID_IClassFactory, &factory), CLASS_E_CLASSNOTAVAILABLE);
        EXPECT_EQ(factory, nullptr);
        EXPECT_EQ(canUnloadNow(), S_OK);
        FreeLibrary(module);
    }
}

} // namespace
} // namespace tavo::testing
