// Runs a fuzz target once over every file of the folders (or the files) named
// on the command line, in name order: the corpus as a regression test, with no
// random inputs. Exits 1 when there is nothing to run.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_support.h"

// Targets that need no set-up leave this undefined.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  std::vector<fs::path> Inputs;
  for (int I = 1; I < argc; ++I) {
    const fs::path Arg = argv[I];
    if (fs::is_directory(Arg)) {
      for (const auto& Entry : fs::directory_iterator(Arg))
        if (Entry.is_regular_file()) Inputs.push_back(Entry.path());
    } else {
      Inputs.push_back(Arg);
    }
  }
  std::sort(Inputs.begin(), Inputs.end());
  if (Inputs.empty()) {
    std::fprintf(stderr, "usage: %s CORPUS_DIR|FILE...: no inputs found\n", argv[0]);
    return 1;
  }
  // Read first: a target's set-up may change the working folder.
  std::vector<std::string> Contents;
  for (const fs::path& Input : Inputs) {
    std::ifstream In(Input, std::ios::binary);
    if (!In) {
      std::fprintf(stderr, "cannot read %s\n", Input.c_str());
      return 1;
    }
    Contents.emplace_back(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
  }
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  for (std::size_t I = 0; I < Inputs.size(); ++I) {
    std::fprintf(stderr, "%s\n", Inputs[I].c_str());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(Contents[I].data()), Contents[I].size());
  }
  std::fprintf(stderr, "%zu inputs replayed\n", Inputs.size());
  return 0;
}
