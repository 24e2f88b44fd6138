// The tool's temporary files (staged outputs beside their targets, the copy of standard input) are recorded while
// they exist, so that an interrupted run removes them before it ends (RemoveTemporariesOnInterrupt). Making,
// placing and removing a file happen together with its recording under one lock, so that no interruption comes
// between the two and none removes a file once it is in place.
#pragma once

#include <functional>
#include <string>

namespace tool {

// Runs make, which creates a temporary file, sets its name and returns its descriptor (negative when it could not),
// and records the name of the file made. Returns what make returned.
int MakeRecordedTemporary(const std::function<int(std::string&)>& make, std::string& name);

// Renames the recorded temporary file over path and forgets it: 0, or the errno of the failed rename (the file is
// then still recorded).
int PlaceRecordedTemporary(const std::string& temp, const std::string& path);

// Removes the recorded temporary file and forgets it.
void RemoveRecordedTemporary(const std::string& temp);

// Makes an interruption (SIGINT, SIGTERM, SIGHUP, SIGQUIT, unless the tool was started ignoring it) remove the
// recorded temporary files before the tool ends by the signal. Called first in main, before any thread is started.
void RemoveTemporariesOnInterrupt();

}  // namespace tool
