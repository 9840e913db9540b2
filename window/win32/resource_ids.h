#pragma once

// Shared by the resource script and the code that loads what it holds.
#define OSTREL_ICON 1
