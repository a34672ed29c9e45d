#pragma once
// Shared pieces of the window tests: the registry of test classes run by main(), and a
// fixture that starts the program in a fresh temporary folder with scripted prompts.
#include "app/ras1.h"
#include "ui/prompts.h"

#include <QDir>
#include <QObject>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

namespace zorkan::ui::test {

using TestFactory = std::function<std::unique_ptr<QObject>()>;
std::vector<TestFactory>& registeredTests();
bool registerTest(TestFactory factory);

#define ZORKAN_UI_TEST(Class)                                                                      \
    static const bool registered##Class =                                                          \
        ::zorkan::ui::test::registerTest([] { return std::make_unique<Class>(); })

// Splash interval used by the tests, in ms.
constexpr int shortSplash = 150;

// The bytes of a file, or an empty array when it cannot be read.
QByteArray fileBytes(const QString& path);
// Writes `text` (UTF-8) as a CP1251 file with CR LF line ends.
void writeCp1251(const QString& path, const QString& text);
// The help text of the sources, copied into the current folder.
void copyHelpText();

// A started program: a temporary current folder (with help.txt unless told otherwise),
// scripted prompts, the shared state of a fresh run and the main window.
class Program {
  public:
    explicit Program(bool withHelpText = true);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    QString path(const QString& name) const { return folder_.filePath(name); }
    QString folder() const { return folder_.path(); }
    ScriptedPrompts& prompts() { return scope_.scripted; }
    TForm1& main() { return *main_; }
    void start();

  private:
    QTemporaryDir folder_;
    QString previousFolder_;
    ScriptedPromptsScope scope_;
    std::unique_ptr<TForm1> main_;
};

} // namespace zorkan::ui::test
