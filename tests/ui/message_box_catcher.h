// Test helper: closes the next modal message box that appears and keeps its title and text.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

class MessageBoxCatcher : public QObject {
public:
    QString text;
    QString title;

    // Call before the action that may show a box; the box is closed from the event loop
    // it runs.
    void arm() {
        text.clear();
        title.clear();
        tries = 0;
        QTimer::singleShot(0, this, [this] { poll(); });
    }

private:
    int tries = 0;
    void poll() {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = box->text();
            title = box->windowTitle();
            box->accept();
            return;
        }
        if (++tries < 200) QTimer::singleShot(5, this, [this] { poll(); });
    }
};

// Closes every modal message box as soon as it appears and keeps its text, so that a test
// that meets an unexpected box fails instead of waiting for a click.
class ModalBoxGuard : public QObject {
public:
    QStringList texts;

    ModalBoxGuard() {
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, this, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->text();
                box->accept();
            }
        });
        timer.start();
    }

private:
    QTimer timer;
};
