#pragma once
#include "Form.h"

// The registrar's only window. It is created and discarded inside its load
// handler and never shown; the handler's work is starting the registration.
class FrmRegister : public Form {
public:
    explicit FrmRegister(HINSTANCE instance) { instance_ = instance; }
    void Form_Load();

private:
    void Create();
    void Unload();
};
