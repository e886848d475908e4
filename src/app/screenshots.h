// Renders every page of the window into PNG files after filling in a model the way a user
// would: the ODE text typed key by key, the tables edited cell by cell or pasted.
#pragma once

#include <QString>

class MainWindow;

// Writes one PNG per tool-box page into dir; returns 0 on success, 1 if a file could not
// be written.
int renderScreenshots(MainWindow& window, const QString& dir);
