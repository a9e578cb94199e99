// Why a strobe-mode exchange that found no reply failed: where the time went
// between padlink's last byte and the reply, from both programs' logs.
#pragma once

#include <string>
#include <vector>

#include "bench/ptymodem_log.h"

// The first line of padlink's standard error, then where the time went.
std::string ExplainFailure(const std::vector<Event>& padlink, const std::vector<Event>& robot,
                           const std::string& stderr_text);
