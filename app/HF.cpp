#include "app/HF.h"

#include "common/cp1251.h"
#include "common/errors.h"
#include "ui/errorhandler.h"
#include "zorkanconfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace zorkan::ui {

QString loadCp1251Text(const QString& path) {
    const QString fullPath = QDir::current().absoluteFilePath(path);
    std::ifstream in(QFile::encodeName(fullPath).toStdString(), std::ios::binary);
    if (!in) {
        const int code = errno;
        throw InOutError(code, "Cannot open file \"" + fullPath.toStdString() + "\". " +
                                   std::strerror(code));
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    QString text = QString::fromStdString(fromCp1251(bytes.str()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

namespace {

// Set by tests; empty means the copy installed beside the program.
QString& installedHelpOverride() {
    static QString path;
    return path;
}

} // namespace

QString installedHelpFile() {
    if (!installedHelpOverride().isEmpty())
        return installedHelpOverride();
    const QDir programFolder(QCoreApplication::applicationDirPath());
    return QDir::cleanPath(
        programFolder.filePath(QStringLiteral(ZORKAN_DATA_FROM_BIN "/help.txt")));
}

void setInstalledHelpFile(const QString& path) {
    installedHelpOverride() = path;
}

QString helpFilePath() {
    const QString local = QStringLiteral("help.txt");
    if (QFileInfo::exists(local))
        return local;
    const QString installed = installedHelpFile();
    return QFileInfo::exists(installed) ? installed : local;
}

THelpForm::THelpForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("HelpForm"));
    setWindowTitle(QStringLiteral("Помощь"));
    resize(696, 480);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The help text lines up its columns with blanks.
    Memo1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Memo1);

    FormCreate();
}

QString THelpForm::text() const {
    return Memo1->toPlainText();
}

void THelpForm::FormCreate() {
    try {
        Memo1->setPlainText(loadCp1251Text(helpFilePath()));
    } catch (const std::exception& error) {
        reportError(error);
    }
}

} // namespace zorkan::ui
