// NTSTATUS values as the tools print them: "0xC0000001".
#pragma once

#include <string>

#include "platform/kernel.h"

std::string statusText(NTSTATUS status);
