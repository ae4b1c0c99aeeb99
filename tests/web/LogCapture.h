#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Records every message the program logs while it lives, with the context
// the toolkit hands to message handlers.
class LogCapture
{
public:
    struct Line
    {
        QtMsgType type;
        QByteArray category;
        QByteArray file;
        int line;
        QByteArray function;
        QString message;
    };

    LogCapture()
    {
        Active = this;
        Previous = qInstallMessageHandler(&LogCapture::Handle);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(Previous);
        Active = nullptr;
    }
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    const QList<Line> &Lines() const { return Captured; }
    QStringList Messages() const
    {
        QStringList messages;
        for (const Line &line : Captured)
            messages.append(line.message);
        return messages;
    }
    void Clear() { Captured.clear(); }

private:
    static void Handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (!Active)
            return;
        Active->Captured.append({type, QByteArray(context.category), QByteArray(context.file), context.line,
                                 QByteArray(context.function), message});
    }

    static inline LogCapture *Active = nullptr;
    QtMessageHandler Previous = nullptr;
    QList<Line> Captured;
};
