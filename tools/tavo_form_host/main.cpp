// The standalone form host: shows the control's form in a top-level window of its own, without
// COM, so the form can be used and looked at before any container exists.
//
//   tavo_form_host [--english] [--login HOST USER PASSWORD_BASE64 PORT]
//
// The window has the form's designed outer size; the form follows when it is resized. With
// --login the host makes the page's login call once the window shows.

#include "controller/catalogue.h"
#include "controller/text_rules.h"
#include "form/tavo_form.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

using tavo::form::TTavoForm;

struct TLogin {
    std::string Host, User, PasswordBase64;
    int Port = 21;
};

TTavoForm* hostedForm = nullptr;

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        if (hostedForm != nullptr) {
            int width = LOWORD(lParam), height = HIWORD(lParam);
            MoveWindow(hostedForm->Handle(), 0, 0, width, height, TRUE);
            hostedForm->Resize(width, height);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

int Usage(const char* program) {
    std::fprintf(stderr, "usage: %s [--english] [--login HOST USER PASSWORD_BASE64 PORT]\n",
                 program);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    const tavo::controller::TCatalogue* catalogue = &tavo::controller::ChineseCatalogue();
    std::unique_ptr<TLogin> login;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--english") == 0) {
            catalogue = &tavo::controller::EnglishCatalogue();
        } else if (std::strcmp(argv[i], "--login") == 0 && i + 4 < argc) {
            login = std::make_unique<TLogin>(
                TLogin{argv[i + 1], argv[i + 2], argv[i + 3], std::atoi(argv[i + 4])});
            i += 4;
        } else {
            return Usage(argv[0]);
        }
    }

    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA frameClass{};
    frameClass.lpfnWndProc = FrameProc;
    frameClass.hInstance = instance;
    frameClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    frameClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    frameClass.lpszClassName = "TavoFormHost";
    RegisterClassA(&frameClass);
    // The form's outer size as designed: 633 x 480, the English edition 60 pixels wider.
    const bool english = catalogue == &tavo::controller::EnglishCatalogue();
    HWND frame =
        CreateWindowA("TavoFormHost", "FTPClient", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                      CW_USEDEFAULT, english ? 693 : 633, 480, nullptr, nullptr, instance, nullptr);
    if (frame == nullptr) {
        std::fprintf(stderr, "cannot create the host window (is there a display?)\n");
        return 1;
    }
    std::unique_ptr<TTavoForm> form = TTavoForm::Create(instance, frame, catalogue);
    if (form == nullptr) {
        std::fprintf(stderr, "cannot create the form\n");
        DestroyWindow(frame);
        return 1;
    }
    hostedForm = form.get();
    RECT client;
    GetClientRect(frame, &client);
    SendMessageA(frame, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    ShowWindow(frame, SW_SHOWNORMAL);
    UpdateWindow(frame);

    if (login) {
        try {
            form->Controller().Set_Login(login->Host, login->User, login->Port,
                                         login->PasswordBase64);
        } catch (const std::exception& error) {
            form->ReportError(tavo::controller::ErrorReportText(error.what()));
        }
    }

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    hostedForm = nullptr;
    return static_cast<int>(message.wParam);
}
