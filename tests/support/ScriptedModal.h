#pragma once
// The window half of ScriptedPrompts' modal steps; the window tests' main installs it.

#include "ScriptedPrompts.h"

void installScriptedModalRunner();
