// The application object: one per program, like the framework it replaces, so that code
// deep inside a sequence can reach the main window (for a refresh) without a parameter.
#pragma once
#include <windows.h>

namespace appkit {

class Dialog;

class Application {
public:
    Application();
    virtual ~Application();

    // Start-up; returning false ends the program (the dialog programs do all their work
    // inside InitInstance and return false).
    virtual bool InitInstance() = 0;

    // Runs InitInstance and returns the process exit status. Our programs never end
    // with anything but 0.
    int Run(HINSTANCE instance);

    HINSTANCE Instance() const { return instance_; }
    Dialog* MainDialog() const { return mainDialog_; }
    void SetMainDialog(Dialog* dialog) { mainDialog_ = dialog; }

    static Application* Current() { return current_; }

protected:
    // What the programs' start-up asks for: the common controls (progress bar, ...)
    // registered for the process.
    static void EnableCommonControls();

private:
    HINSTANCE instance_ = nullptr;
    Dialog* mainDialog_ = nullptr;
    static Application* current_;
};

}  // namespace appkit
