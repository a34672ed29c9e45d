#include "tests/ui/uitest.h"

#include "app/startup.h"
#include "common/cp1251.h"
#include "ui/sharedstate.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>

namespace zorkan::ui::test {

std::vector<TestFactory>& registeredTests() {
    static std::vector<TestFactory> tests;
    return tests;
}

bool registerTest(TestFactory factory) {
    registeredTests().push_back(std::move(factory));
    return true;
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void writeCp1251(const QString& path, const QString& text) {
    QString crlf = text;
    crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const std::string bytes = toCp1251(crlf.toStdString());
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

void copyHelpText() {
    QFile::remove(QStringLiteral("help.txt"));
    QVERIFY(QFile::copy(QStringLiteral(ZORKAN_SOURCE_DIR "/assets/help.txt"),
                        QStringLiteral("help.txt")));
}

Program::Program(bool withHelpText) : previousFolder_(QDir::currentPath()) {
    resetSharedState();
    QDir::setCurrent(folder_.path());
    if (withHelpText)
        copyHelpText();
}

void Program::start() {
    main_ = startUp({shortSplash});
}

Program::~Program() {
    main_.reset();
    // Child windows closed during a test are deleted later; finish that here.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QDir::setCurrent(previousFolder_);
    resetSharedState();
}

} // namespace zorkan::ui::test
