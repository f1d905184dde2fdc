#pragma once

#include <QMainWindow>

namespace tidemark {

struct AppState;
class SettingsStore;

// The main window. Its load builds the file pattern list and closes the About window that
// start-up opened.
class Form1 : public QMainWindow {
    Q_OBJECT
public:
    // `state` and `store` are not owned and outlive the window.
    Form1(AppState& state, SettingsStore& store, QWidget* parent = nullptr);

    // The window's load, run once before it is first shown; `aPropos` (may be null) is the
    // About window of start-up, closed at the end.
    void charge(QWidget* aPropos);

private:
    AppState& state_;
    SettingsStore& store_;
};

}  // namespace tidemark
