#pragma once

// The enabled and checked state a command's menu item and button take before
// they are shown.
struct CommandState
{
    bool enabled = true;
    bool checked = false;

    bool operator==(const CommandState&) const = default;
};
