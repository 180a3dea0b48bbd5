// The stand-in main program's side of the verdict channel.
#pragma once

#include "Arguments.h"

int DigestCommand(const Arguments& args);
int PushCommand(const Arguments& args);
int DumpCommand(const Arguments& args);
int ServeCommand(const Arguments& args);
