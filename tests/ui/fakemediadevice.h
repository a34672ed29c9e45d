#pragma once
// A playback device for the window tests: records what it is asked, plays nothing.
#include "common/errors.h"
#include "sound/mediadevice.h"

#include <QStringList>

namespace zorkan::ui::test {

struct FakeMediaLog {
    QStringList calls;
    std::int64_t length = 2500;
    std::int64_t position = 0;
    bool noOutput = false; // playing refuses as on a machine without sound
};

class FakeMediaDevice : public MediaDevice {
  public:
    explicit FakeMediaDevice(FakeMediaLog& log) : log_(log) {}
    void open(const std::string& path) override {
        log_.calls << QStringLiteral("open ") + QString::fromStdString(path);
        open_ = path.find("broken") == std::string::npos;
        if (!open_)
            throw Error("Не удаётся открыть звуковой файл");
    }
    bool isOpen() const override { return open_; }
    void play() override {
        call("play");
        if (log_.noOutput)
            throw UserMessage("Нет устройства вывода звука");
    }
    void stop() override { call("stop"); }
    void close() override {
        log_.calls << QStringLiteral("close");
        open_ = false;
    }
    std::int64_t length() override {
        call("length");
        return log_.length;
    }
    std::int64_t position() override {
        call("position");
        return log_.position;
    }

  private:
    void call(const char* what) {
        log_.calls << QString::fromLatin1(what);
        if (!open_)
            throw Error(noDeviceOpenText);
    }
    FakeMediaLog& log_;
    bool open_ = false;
};

} // namespace zorkan::ui::test
