// Test helpers shared by the window tests: a fresh window per test guarded against message
// boxes, its widgets by object name, typing the model and pasting a block into a table.
#pragma once

#include "mainwindow.h"

#include "ui/table_test_support.h"

#include <QClipboard>
#include <QKeyEvent>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

// Base of the window test classes: their init() calls openWindow() and their cleanup()
// closeWindow(), which fails the test if a message box appeared meanwhile.
class WindowTest : public QObject {
protected:
    MainWindow* w = nullptr;
    ModalBoxGuard* boxes = nullptr;
    QTextEdit* errorPane = nullptr;

    void openWindow() {
        boxes = new ModalBoxGuard;
        w = new MainWindow;
        errorPane = find<QTextEdit>("textEdit_error");
    }
    void closeWindow() {
        delete w;
        w = nullptr;
        const QStringList shown = boxes->texts;
        delete boxes;
        QVERIFY2(shown.isEmpty(), qPrintable(shown.join("; ")));
    }
    // The window's widget of that name; a missing one stops the program with its name.
    template <typename T = QWidget> T* find(const char* name) const {
        T* widget = w->findChild<T*>(QLatin1String(name));
        if (!widget) qFatal("no %s named %s", T::staticMetaObject.className(), name);
        return widget;
    }
    // Whether the error pane is shown and holds the text.
    bool paneShows(const QString& text) const {
        return !errorPane->isHidden() && errorPane->toPlainText().contains(text);
    }
    void click(const char* button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }
    // Types the model into the ODE editor key by key, pressing Return between lines.
    void typeModel(const QString& model) {
        auto* editor = find<QTextEdit>("textEdit_ODEExpression");
        const QStringList lines = model.split('\n');
        for (int i = 0; i < lines.size(); ++i) {
            if (i > 0) QTest::keyClick(editor, Qt::Key_Return);
            QTest::keyClicks(editor, lines[i]);
        }
    }
};

// Pastes the block into the table as the user does: clipboard, then Ctrl+V.
inline void pasteBlock(QTableWidget* table, const QString& block) {
    QApplication::clipboard()->setText(block);
    table->setFocus();
    QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
    QApplication::sendEvent(table, &paste);
}

inline QColor textColour(const QTableWidget* t, int r, int c) {
    return t->item(r, c)->foreground().color();
}

// The validity of each event: "+" valid, "-" not.
template <typename Events> QString validity(const Events& events) {
    QString flags;
    for (const auto& e : events)
        flags += e.isValid ? '+' : '-';
    return flags;
}
