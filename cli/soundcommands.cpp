// zorkan-cli wav2sig and sig2wav: the sound converter and the sound writer without
// their windows. Same files, same bytes.
#include "cli/commands.h"
#include "cli/options.h"
#include "common/errors.h"
#include "sound/wavconvert.h"

#include <cstdio>

namespace zorkan::cli {

namespace {

const char* const wav2sigHelp =
    "Использование: zorkan-cli wav2sig ВХОД.wav ВЫХОД.xicd ЗАГОЛОВОК.wav\n"
    "\n"
    "Первые 44 байта звукового файла (заголовок) копируются в файл заголовка,\n"
    "каждый следующий байт b записывается в файл сигнала строкой со значением b - 128.\n"
    "Заголовок не разбирается: любой файл читается побайтно как 8-битный звук.\n"
    "Файл сигнала и файл заголовка создаются заново.\n"
    "\n"
    "При ошибке сообщение выводится в stderr, код выхода 1.\n";

const char* const sig2wavHelp =
    "Использование: zorkan-cli sig2wav ВХОД.yicd ФАЙЛ.wav\n"
    "\n"
    "Дописывает в конец существующего файла ФАЙЛ.wav (обычно заголовка, сделанного\n"
    "командой wav2sig) по одному байту на каждое значение сигнала v:\n"
    "(trunc(v) - 128) по модулю 256. Поля заголовка не меняются.\n"
    "Отсутствующий файл - ошибка.\n"
    "\n"
    "При ошибке сообщение выводится в stderr, код выхода 1.\n";

} // namespace

int runWav2Sig(int argc, char** argv) {
    const Arguments args = parseArguments(argc, argv, 2, {});
    if (args.help) {
        std::fputs(wav2sigHelp, stdout);
        return 0;
    }
    if (args.positional.size() != 3)
        throw UserMessage("Укажите звуковой файл, файл сигнала (.xicd) и файл заголовка");
    convertWavFile(args.positional[0], args.positional[1], args.positional[2]);
    return 0;
}

int runSig2Wav(int argc, char** argv) {
    const Arguments args = parseArguments(argc, argv, 2, {});
    if (args.help) {
        std::fputs(sig2wavHelp, stdout);
        return 0;
    }
    if (args.positional.size() != 2)
        throw UserMessage("Укажите файл сигнала (.yicd) и звуковой файл");
    appendSignalFile(args.positional[0], args.positional[1]);
    return 0;
}

} // namespace zorkan::cli
