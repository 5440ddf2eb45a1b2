#pragma once

// What the main window's tests share: a prompter that answers at once, reading what the
// window wrote to a peer, and looking up its form objects by name.

#include "mainwindow.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLabel>
#include <QTcpSocket>

// Answers every question with a set button and remembers what it was asked.
class FakePrompter : public Prompter
{
public:
    QMessageBox::StandardButton answer = QMessageBox::Yes;
    QStringList asked;
    QList<QMessageBox::StandardButton> defaults;

    QMessageBox::StandardButton question(const QString &, const QString &text,
                                         const QString &informativeText,
                                         QMessageBox::StandardButtons,
                                         QMessageBox::StandardButton defaultButton) override
    {
        asked << text + QLatin1Char('|') + informativeText;
        defaults << defaultButton;
        return answer;
    }
    void information(const QString &, const QString &text) override { asked << text; }
    void warning(const QString &, const QString &text) override { asked << text; }
    bool getText(const QString &, const QString &, QString *) override { return false; }
    // Choosers are answered with "cancelled"; their titles are remembered.
    QString getExistingDirectory(const QString &title, const QString &) override
    {
        asked << title;
        return {};
    }
    QString getOpenFileName(const QString &title, const QString &, const QString &) override
    {
        asked << title;
        return {};
    }
};

// Reads exactly count bytes the window wrote (it writes and flushes synchronously).
inline QByteArray readBytes(QTcpSocket *socket, int count)
{
    QElapsedTimer timer;
    timer.start();
    while (socket->bytesAvailable() < count && timer.elapsed() < 3000)
        socket->waitForReadyRead(100);
    return socket->read(count);
}

template<typename T> T *child(const MainWindow &window, const QString &name)
{
    T *object = window.findChild<T *>(name);
    if (!object)
        qFatal("form object %s missing", qPrintable(name));
    return object;
}

// The text of a label or button of the form.
inline QString text(const MainWindow &window, const QString &name)
{
    if (auto *label = window.findChild<QLabel *>(name))
        return label->text();
    return child<QAbstractButton>(window, name)->text();
}
