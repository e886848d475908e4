// Saving the model and its result to a directory and opening a saved one.
#include "mainwindow.h"
#include "ui_mainwindow.h"

void MainWindow::menu_save() {}

void MainWindow::menu_open() {}
