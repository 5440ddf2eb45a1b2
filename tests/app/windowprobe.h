#pragma once

// What the main window's tests share: a prompter that answers at once, a clean start, the
// two ways a console opens against loopback peers, and looking up form objects by name.

#include "consolepeer.h"
#include "fakeprompter.h"
#include "mainwindow.h"
#include "qdevicemachine.h"
#include "settingsstore.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <memory>

// No stored settings and no main device left by an earlier test.
inline void resetWindowState()
{
    QSettings(QString::fromLatin1(SettingsStore::kOrganization),
              QString::fromLatin1(SettingsStore::kApplication))
        .clear();
    QDeviceMachine::instance()->setMainDevice(nullptr);
}

template<typename T> T *child(const QObject &window, const QString &name)
{
    T *object = window.findChild<T *>(name);
    if (!object)
        qFatal("form object %s missing", qPrintable(name));
    return object;
}

// The text of a label or button of the form.
inline QString text(const QObject &window, const QString &name)
{
    if (auto *label = window.findChild<QLabel *>(name))
        return label->text();
    return child<QAbstractButton>(window, name)->text();
}

inline bool enabled(const QObject &window, const QString &name)
{
    if (auto *action = window.findChild<QAction *>(name))
        return action->isEnabled();
    return child<QWidget>(window, name)->isEnabled();
}

// Uses a control as the user does: triggers an action of the menus or clicks a button.
inline void use(const QObject &window, const QString &name)
{
    if (auto *action = window.findChild<QAction *>(name))
        action->trigger();
    else
        child<QAbstractButton>(window, name)->click();
}

// The window as client of server (made to listen on a free loopback port first); the
// server's side after the greeting the window sends on every connection, or null.
inline QTcpSocket *connectClient(MainWindow &window, QTcpServer &server)
{
    if (!server.isListening() && !server.listen(QHostAddress::LocalHost))
        return nullptr;
    if (!window.connectToDevice(QStringLiteral("127.0.0.1"), server.serverPort(), nullptr) ||
        !server.waitForNewConnection(3000))
        return nullptr;
    QTcpSocket *peer = server.nextPendingConnection();
    return readBytes(peer, kDebugLevel.size()) == kDebugLevel ? peer : nullptr;
}

// A window connected as client to a peer of the test, with the lines it hands on recorded;
// peer is null when the connection or its greeting failed.
struct ConnectedWindow
{
    explicit ConnectedWindow(Prompter &prompter)
        : window(prompter)
    {}

    MainWindow window;
    QSignalSpy rows{&window, &MainWindow::gotRow};
    QTcpServer server;
    QTcpSocket *peer = connectClient(window, server);
};

// A board connecting to the window's console server, once the window greeted it; or null.
inline std::unique_ptr<QTcpSocket> connectBoard(const MainWindow &window)
{
    auto board = std::make_unique<QTcpSocket>();
    board->connectToHost(QHostAddress::LocalHost, kServerPort);
    const bool accepted =
        board->waitForConnected(3000) && QTest::qWaitFor([&] {
            return text(window, "btnReconnect") == QLatin1String("Disconnect serversocket");
        });
    if (!accepted || readBytes(board.get(), kDebugLevel.size()) != kDebugLevel)
        return nullptr;
    return board;
}
