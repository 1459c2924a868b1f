#include <CLI/CLI.hpp>

int main(int argc, char** argv) {
  CLI::App app{"grebewick-cli: copies the files that changed since the last backup"};
  CLI11_PARSE(app, argc, argv);
  return 0;
}
