// Events are std::function slots: an empty slot is an unassigned event.
#pragma once

#include <functional>

class TObject;

using TNotifyEvent = std::function<void(TObject* Sender)>;
