#pragma once
// The A/B source as a sequential device of interleaved 16-bit frames for the sound
// output to pull from.
#include "listening/abplayback.h"

#include <QIODevice>

#include <vector>

namespace zorkan::ui {

class AbDevice : public QIODevice {
  public:
    AbDevice(AbSource& source, QObject* parent = nullptr);
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;
    bool atEnd() const override;

  protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    AbSource& source_;
    std::vector<float> buffer_;
};

} // namespace zorkan::ui
