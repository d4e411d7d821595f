// A container that lets go of the control while it downloads (a page closed mid-transfer)
// must leave no session behind: the connection drops without QUIT. The download runs as a
// user starts it, by a double-click on the file's row and the save chooser; the release comes
// from a timer that the engine's message pump runs while the transfer waits.

#include "control_files.h"
#include "form/remote_list_input.h"
#include "tests/support/real_servers.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <iphlpapi.h>
#include <ole2.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace tavo::testing {
namespace {

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

struct TWindowSearch {
    const wchar_t* ClassName;
    HWND Found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<TWindowSearch*>(data);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (wcscmp(name, search->ClassName) == 0)
        search->Found = window;
    return search->Found == nullptr;
}

BOOL CALLBACK MatchWindowOrChild(HWND top, LPARAM data) {
    if (MatchWindow(top, data))
        EnumChildWindows(top, MatchWindow, data);
    return reinterpret_cast<TWindowSearch*>(data)->Found == nullptr;
}

// The first window of this thread, or below one of its windows, of the given class.
HWND FindThreadWindow(const wchar_t* className) {
    TWindowSearch search{className};
    EnumThreadWindows(GetCurrentThreadId(), MatchWindowOrChild, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

// Selects the row of that name and double-clicks it, as a user opens a folder or downloads.
void OpenRow(HWND list, const std::string& name) {
    PumpMessages();
    const int row = tavo::form::FindRemoteRow(list, Widen(name));
    if (row < 0) {
        ADD_FAILURE() << "no row named " << name << " among " << ListView_GetItemCount(list);
        return;
    }
    tavo::form::SelectRemoteRow(list, row);
    tavo::form::DoubleClickRemoteList(list);
    PumpMessages();
}

// What the timers on this thread work with while the download waits.
struct TReleaseState {
    std::wstring SavePath;
    IDispatch* Control = nullptr;
    bool ChooserAnswered = false;
    DWORD AnsweredAt = 0;
    long long BytesAtRelease = -1;
} state;

long long FileBytes(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void CALLBACK WatchTransfer(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND chooser = FindThreadWindow(L"#32770");
    // A chooser still open half a second after its answer took it too early (on a slow machine
    // before its fields were made): answer again.
    if (chooser && IsWindowVisible(chooser) &&
        (!state.ChooserAnswered || GetTickCount() - state.AnsweredAt > 500)) {
        // The explorer-style chooser keeps the name in cmb13, the older one in edt1.
        for (int field : {0x47c, 0x480})
            if (GetDlgItem(chooser, field))
                SetDlgItemTextW(chooser, field, state.SavePath.c_str());
        PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(chooser, IDOK)));
        state.ChooserAnswered = true;
        state.AnsweredAt = GetTickCount();
        return;
    }
    if (!state.ChooserAnswered)
        return;
    const long long bytes = FileBytes(state.SavePath);
    if (bytes < 1024 * 1024)
        return;
    KillTimer(nullptr, timer);
    state.BytesAtRelease = bytes;
    IDispatch* control = state.Control;
    state.Control = nullptr;
    control->Release();
}

// The table holds ports in network byte order in the low 16 bits.
int NetworkPort(DWORD value) {
    return static_cast<int>(((value & 0xff) << 8) | ((value >> 8) & 0xff));
}

// Whether an established TCP connection still touches the port (either end).
bool ConnectionOpen(int port) {
    std::vector<BYTE> buffer(1 << 20);
    ULONG size = static_cast<ULONG>(buffer.size());
    auto* table = reinterpret_cast<MIB_TCPTABLE*>(buffer.data());
    if (GetTcpTable(table, &size, FALSE) != NO_ERROR)
        return true;
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const MIB_TCPROW& row = table->table[i];
        if (row.dwState == MIB_TCP_STATE_ESTAB &&
            (NetworkPort(row.dwLocalPort) == port || NetworkPort(row.dwRemotePort) == port))
            return true;
    }
    return false;
}

HRESULT CallSetLogin(IDispatch* control, const RealServer& server) {
    OLECHAR* name = const_cast<OLECHAR*>(L"SetLogin");
    DISPID id = 0;
    HRESULT result = control->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(result))
        return result;
    VARIANT args[4];
    for (VARIANT& arg : args)
        VariantInit(&arg);
    args[0].vt = VT_I4; // arguments go last first
    args[0].lVal = server.Port;
    args[1].vt = VT_BSTR;
    args[1].bstrVal = SysAllocString(L""); // anonymous: no password
    args[2].vt = VT_BSTR;
    args[2].bstrVal = SysAllocString(Widen(server.User).c_str());
    args[3].vt = VT_BSTR;
    args[3].bstrVal = SysAllocString(Widen(server.Host).c_str());
    DISPPARAMS params{args, nullptr, 4, 0};
    result = control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                             nullptr, nullptr);
    for (VARIANT& arg : args)
        VariantClear(&arg);
    return result;
}

TEST(ControlRelease, DuringADownloadDropsTheConnectionWithoutQuit) {
    TAVO_REAL_SERVER_OR_SKIP(server, FindVsftpd());
    // The control's form is a window, even while hidden: without a display creation fails.
    ASSERT_TRUE(std::getenv("DISPLAY")) << "DISPLAY is not set";
    const char* protocolLog = std::getenv("TAVO_VSFTPD_LOG");
    ASSERT_NE(protocolLog, nullptr) << "TAVO_VSFTPD_LOG is not set";
    const std::string log = LocalPathFromUnix(protocolLog);
    ASSERT_EQ(OleInitialize(nullptr), S_OK);
    const TEdition& edition = Editions().front();
    HMODULE module = LoadLibraryW(edition.Library.c_str());
    ASSERT_NE(module, nullptr) << GetLastError();
    auto getClassObject = Entry<TGetClassObject>(module, "DllGetClassObject");
    auto canUnloadNow = Entry<TCanUnloadNow>(module, "DllCanUnloadNow");
    ASSERT_TRUE(getClassObject && canUnloadNow);
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromString(edition.ClassId.c_str(), &clsid), S_OK);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    IDispatch* control = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&control)),
              S_OK);
    factory->Release();

    std::streamoff logStart = 0;
    {
        std::ifstream file(log, std::ios::binary | std::ios::ate);
        logStart = file ? static_cast<std::streamoff>(file.tellg()) : 0;
    }
    ASSERT_EQ(CallSetLogin(control, server), S_OK);
    HWND list = FindThreadWindow(WC_LISTVIEWW);
    ASSERT_NE(list, nullptr);

    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    state.SavePath = std::wstring(temp) + L"tavo-release-download.bin";
    DeleteFileW(state.SavePath.c_str());
    state.Control = control;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, WatchTransfer);
    OpenRow(list, TreeNames::BigFile);
    // The download returns once the release has dropped its connection.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (state.Control && std::chrono::steady_clock::now() < deadline) {
        PumpMessages();
        Sleep(10);
    }
    KillTimer(nullptr, timer);
    ASSERT_EQ(state.Control, nullptr)
        << "the transfer never started (chooser answered: " << state.ChooserAnswered << ")";
    EXPECT_LT(state.BytesAtRelease, BigFileBytes()) << "released only after the transfer";
    PumpMessages();
    EXPECT_EQ(canUnloadNow(), S_OK);

    bool open = true;
    for (int attempt = 0; attempt < 100 && (open = ConnectionOpen(server.Port)); ++attempt)
        Sleep(100);
    EXPECT_FALSE(open) << "a connection to the server is still established";
    std::ifstream file(log, std::ios::binary);
    file.seekg(logStart);
    std::ostringstream text;
    text << file.rdbuf();
    const std::string session = text.str();
    EXPECT_NE(session.find("\"RETR big.bin\""), std::string::npos) << session;
    EXPECT_EQ(session.find("\"QUIT\""), std::string::npos) << session;
    // The server saw the download cut short, not finished for a control nobody holds.
    EXPECT_NE(session.find("FAIL DOWNLOAD"), std::string::npos) << session;
    EXPECT_EQ(session.find("OK DOWNLOAD"), std::string::npos) << session;
    DeleteFileW(state.SavePath.c_str());
    OleUninitialize();
}

} // namespace
} // namespace tavo::testing
