#include "app/HF.h"

#include "common/cp1251.h"
#include "common/errors.h"
#include "ui/errorhandler.h"

#include <QDir>
#include <QFile>
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
        Memo1->setPlainText(loadCp1251Text(QStringLiteral("help.txt")));
    } catch (const std::exception& error) {
        reportError(error);
    }
}

} // namespace zorkan::ui
