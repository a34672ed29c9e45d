#pragma once
// The zorkan-cli commands; each gets the whole command line (argv[1] is its name)
// and returns the process exit code. Errors are thrown and printed by main.

namespace zorkan::cli {

int runDesign(int argc, char** argv);
int runResponse(int argc, char** argv);
int runQuantise(int argc, char** argv);
int runSpectrum(int argc, char** argv);
int runTestSignal(int argc, char** argv);
int runFilter(int argc, char** argv);
int runWav2Sig(int argc, char** argv);
int runSig2Wav(int argc, char** argv);
int runFilterSound(int argc, char** argv);
int runExport(int argc, char** argv);
int runAnalyse(int argc, char** argv);
int runImplement(int argc, char** argv);
int runPlot(int argc, char** argv);
int runDesignFir(int argc, char** argv);
int runEqualise(int argc, char** argv);
int runEq(int argc, char** argv);
int runNotch(int argc, char** argv);
int runComb(int argc, char** argv);
int runFractionalDelay(int argc, char** argv);
int runFromAnalog(int argc, char** argv);
int runFromRoots(int argc, char** argv);
int runPoleGrid(int argc, char** argv);
int runSpectrumOf(int argc, char** argv);
int runAdvise(int argc, char** argv);

} // namespace zorkan::cli
