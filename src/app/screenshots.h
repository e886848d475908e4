// Renders every page of the window into PNG files after filling in a model the way a user
// would: the ODE text typed key by key, the tables edited cell by cell or pasted.
#pragma once

#include <QString>

class MainWindow;

// Writes one PNG per tool-box page and one per further tab of the result page into dir;
// returns 0 on success, 1 if a file could not be written or the result page's run failed.
int renderScreenshots(MainWindow& window, const QString& dir);

// Copies the shipped example model directory into workDir, runs the Cluster Newton method
// on it headless with the given number of iterations and shows the result in the window
// (its ODE system, parameter record and observations are replaced by the example's).
// False, with nothing shown, when the example is missing or the run fails.
bool showExampleResult(MainWindow& window, const QString& example, const QString& workDir,
                       int iterations);
