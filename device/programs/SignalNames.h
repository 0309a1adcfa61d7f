#pragma once
// Signals as a person types them on a command line: a number ("9"), a name ("KILL"), the name
// with its prefix ("SIGKILL"), in either case.
#include <optional>
#include <string>
#include <string_view>

// The signal number, or nothing when the text names no signal. "0" is accepted: it signals
// nothing and only asks whether the process could be signalled.
std::optional<int> signalFromText(std::string_view text);

// "KILL" for 9; the number as text for a signal without a name.
std::string signalName(int signal);

// Every named signal, in number order, separated by blanks.
std::string signalList();
