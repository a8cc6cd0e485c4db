// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "manager/sales/salessummary.h"

class CliCall;

// The summary of --month or --year, exactly one of them, for summary and chart; an exit status
// other than ExitDone when they are wrong (said on standard error).
int salesSummaryOf(const CliCall& call, SalesSummary* summary);
