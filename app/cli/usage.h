#pragma once



namespace cli {

// The text of --help, written for an 80-column terminal.
const char* HelpText();

}  // namespace cli
