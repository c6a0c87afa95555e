#pragma once
// Waiting on the window thread for a transfer's worker to return, without freezing the
// windows: they repaint and their timers run under a busy cursor while the user's input
// waits until the worker has returned.

#include <memory>

class TransferJob;

// Returns once the worker of `job` has returned. A wait begun while another waits for the
// same worker (a timer or a queued call run during the first) ends with it.
void AwaitWorkerReturn(const std::shared_ptr<TransferJob>& job);
