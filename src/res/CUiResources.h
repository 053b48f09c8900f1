#pragma once

// Registers the images of the UI library (cursors, toolbar buttons), which a
// static library must do itself before they are first loaded.
class CUiResources
{
public:
    static void Init();
};
