// The window part of start-up: the toolkit pointed at the installer's folder and skin archive,
// the shadow set up, the main window created, centred and run modally until it is destroyed.
// Main thread only.
#pragma once

#include "app/installer_settings.h"
#include "ui/main_window.h"

// What the window takes from the settings.
ui::MainWindowOptions MainWindowOptionsFrom(const InstallerSettings& settings);

// The window's events as the installer's analytics reports, each with the A/B label.
ui::MainWindowEvents InstallerWindowEvents(const std::wstring& abGroup);

// Runs the main window for the whole installation. Without a display there is nothing to show
// the window on: a line on standard error says so and nothing else happens.
void RunMainWindow(const InstallerSettings& settings);
