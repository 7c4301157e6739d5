#pragma once

// The vocabulary of the new-style command line: five commands, three with subcommand tables.
// The same rows feed the router and the help texts.

enum ArgKind : int {
  kNoArg = 0,        // no argument; extra words are ignored
  kRequiredArg = 1,  // one non-empty argument must be present
  kOptionalArg = 2,  // one argument, or defaultArg when it is absent
};

struct SubcommandSpec {
  const char* name;
  const char* summary;
  const char* help;
  ArgKind argKind;
  const char* missingArgMessage;  // null when the argument is not required
  const char* defaultArg;         // null when there is none
  int handler;                    // HandlerId, see RezizEzevudCmdApplication::callHandler
};

struct CommandSpec {
  const char* name;
  const char* summary;
  const char* help;
  const SubcommandSpec* subcommands;  // null for a command without subcommands
  int subcommandCount;
  int defaultSubcommand;  // -1 for none
  ArgKind argKind;
  const char* missingArgMessage;
  const char* defaultArg;
  int handler;
};

constexpr int kCommandCount = 5;
extern const CommandSpec kCommandTable[kCommandCount];
