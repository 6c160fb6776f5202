#pragma once
#include <windows.h>

// The registrar's only window. It is created and discarded inside its load
// handler and never shown; the handler's work is starting the registration.
class FrmRegister {
public:
    explicit FrmRegister(HINSTANCE instance) : instance_(instance) {}
    void Form_Load();

private:
    void Create();
    void Unload();
    int Twips(int twips) const;

    HINSTANCE instance_;
    HWND window_ = nullptr;
    int dpi_ = 96;
};
