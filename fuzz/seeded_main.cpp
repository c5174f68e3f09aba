// Runs a fuzz target without libFuzzer: every file of the corpus folder given as the first
// argument, then a fixed number of inputs from a seeded generator that mutates them. The
// same inputs every time, so a failure here is reproducible.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "fuzz/fuzz_target.h"

namespace {

std::vector<std::string> read_corpus(const char* folder) {
  std::vector<std::string> corpus;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    std::ifstream in(entry.path(), std::ios::binary);
    corpus.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  if (corpus.empty()) corpus.emplace_back();
  return corpus;
}

std::string mutate(std::string input, std::mt19937& random) {
  const int edits = 1 + static_cast<int>(random() % 8);
  for (int i = 0; i < edits; ++i) {
    const unsigned choice = random() % 4;
    const size_t at = input.empty() ? 0 : random() % (input.size() + 1);
    if (choice == 0 && !input.empty()) {
      input[at % input.size()] = static_cast<char>(random());
    } else if (choice == 1) {
      input.insert(at, 1, static_cast<char>(random()));
    } else if (choice == 2 && !input.empty()) {
      input.erase(at % input.size(), 1 + random() % 16);
    } else {
      input.insert(at, input.substr(0, random() % 32));
    }
  }
  return input;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> corpus = read_corpus(argc > 1 ? argv[1] : ".");
  for (const std::string& input : corpus) {
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
  }
  std::mt19937 random(20261208);
  const int rounds = 1000;
  for (int i = 0; i < rounds; ++i) {
    const std::string input = mutate(corpus[random() % corpus.size()], random);
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
  }
  std::printf("%zu corpus inputs and %d seeded inputs ran\n", corpus.size(), rounds);
  return 0;
}
