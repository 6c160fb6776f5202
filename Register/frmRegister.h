#pragma once
#include "Form.h"
#include "Text.h"

// The registrar's only window. It is created and discarded inside its load
// handler and never shown; the handler's work is starting the registration.
class FrmRegister : public Form {
public:
    explicit FrmRegister(HINSTANCE instance) { instance_ = instance; }
    void Form_Load();

private:
    // The window, and the folder that holds this program.
    [[nodiscard]] HRESULT Create();
    void Unload();

    WideText folder_;
};
