// libFuzzer harness: the input is the body of a successful reply to the
// version check, taken through the steps the start-up gate runs on it.

#include "FuzzEnvironment.h"
#include "web/FunctionModule.h"
#include "web/UpdateGate.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

FunctionModule *Module = nullptr;

// Written to so that every branch below stays a branch of its own.
volatile unsigned Sink = 0;

int Depth(const QJsonValue &value, int level)
{
    int deepest = level;
    if (value.isArray()) {
        for (const QJsonValue &element : value.toArray())
            deepest = qMax(deepest, Depth(element, level + 1));
    } else if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            deepest = qMax(deepest, Depth(it.value(), level + 1));
    }
    return deepest;
}

// Qt is not instrumented, so libFuzzer sees nothing of the JSON parser's own
// paths. Branching here on what the parser made of the text gives it the
// feedback it lacks: parse error kinds, shapes and depth of documents, and
// how close the "version" member came to the label, character by character.
void Feedback(const QString &text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    switch (error.error) {
    case QJsonParseError::NoError:
        Sink = Sink + 1;
        break;
    case QJsonParseError::UnterminatedObject:
        Sink = Sink + 2;
        break;
    case QJsonParseError::MissingNameSeparator:
        Sink = Sink + 3;
        break;
    case QJsonParseError::UnterminatedArray:
        Sink = Sink + 4;
        break;
    case QJsonParseError::MissingValueSeparator:
        Sink = Sink + 5;
        break;
    case QJsonParseError::IllegalValue:
        Sink = Sink + 6;
        break;
    case QJsonParseError::TerminationByNumber:
        Sink = Sink + 7;
        break;
    case QJsonParseError::IllegalNumber:
        Sink = Sink + 8;
        break;
    case QJsonParseError::IllegalEscapeSequence:
        Sink = Sink + 9;
        break;
    case QJsonParseError::IllegalUTF8String:
        Sink = Sink + 10;
        break;
    case QJsonParseError::UnterminatedString:
        Sink = Sink + 11;
        break;
    case QJsonParseError::MissingObject:
        Sink = Sink + 12;
        break;
    case QJsonParseError::DeepNesting:
        Sink = Sink + 13;
        break;
    case QJsonParseError::DocumentTooLarge:
        Sink = Sink + 14;
        break;
    case QJsonParseError::GarbageAtEnd:
        Sink = Sink + 15;
        break;
    }
    if (document.isArray()) {
        Sink = Sink + 16;
        return;
    }
    if (!document.isObject())
        return;
    const QJsonObject object = document.object();
    switch (qMin(Depth(QJsonValue(object), 0), 8)) {
    case 0:
        Sink = Sink + 20;
        break;
    case 1:
        Sink = Sink + 21;
        break;
    case 2:
        Sink = Sink + 22;
        break;
    case 3:
        Sink = Sink + 23;
        break;
    case 4:
        Sink = Sink + 24;
        break;
    default:
        Sink = Sink + 25;
        break;
    }
    const QJsonValue version = object.value(QStringLiteral("version"));
    switch (version.type()) {
    case QJsonValue::Null:
        Sink = Sink + 30;
        break;
    case QJsonValue::Bool:
        Sink = Sink + 31;
        break;
    case QJsonValue::Double:
        Sink = Sink + 32;
        break;
    case QJsonValue::String:
        Sink = Sink + 33;
        break;
    case QJsonValue::Array:
        Sink = Sink + 34;
        break;
    case QJsonValue::Object:
        Sink = Sink + 35;
        break;
    case QJsonValue::Undefined:
        Sink = Sink + 36;
        break;
    }
    const QString label = version.toString();
    const char expected[] = "v1.0";
    for (int i = 0; i < label.size() && i < 4; ++i) {
        if (label.at(i).unicode() != ushort(expected[i]))
            return;
        Sink = Sink + 40 + unsigned(i);
    }
    if (label.size() == 4)
        Sink = Sink + 50;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    new QCoreApplication(FuzzEnvironment::ApplicationArgc(), FuzzEnvironment::ApplicationArgv());
    FuzzEnvironment::SilenceNonFatalMessages();
    Module = new FunctionModule;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > size_t(INT_MAX))
        return 0;
    // An owning copy, like the byte array the reply hands to the client.
    const QByteArray body(reinterpret_cast<const char *>(data), int(size));
    const QString text = ReplyBodyText(body);

    // Everything from the first zero byte on is cut off, and the decoded text
    // never holds more characters than the body had bytes.
    if (text.contains(QChar(0)) || text.size() > body.size())
        std::abort();

    const bool current = UpdateGate::IsCurrentReply(*Module, text);
    Sink = Sink + (current ? 60 : 61);
    Feedback(text);
    return 0;
}
