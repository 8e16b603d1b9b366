#pragma once

#include <QUrl>

#include "UpdateAlert.h"

/// What the update checker needs from the desktop: the modal update alert and the web browser. The application
/// implements it with QMessageBox (raising its window first) and QDesktopServices; tests answer for the user.
class UpdatePrompter {
public:
    virtual ~UpdatePrompter() = default;

    /// Brings the application to the front, shows `alert` modally with `UpdateAlert::buttonTitles()` and returns
    /// the button chosen. Main thread; runs a nested event loop in a real application.
    virtual UpdateAlert::Choice askToUpdate(const UpdateAlert &alert) = 0;
    /// Opens `url` (an absolute https or http address) in the default web browser. Main thread.
    virtual void openUrl(const QUrl &url) = 0;
};
