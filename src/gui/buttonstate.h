#pragma once

// The patterns of the six command buttons.
enum class ButtonState { Ready, Finding, Found, Downloading, Downloaded, Packed, Imported };

// Enabled flags in the order Find, Download, Build CHM, Folder, Export, Import.
struct ButtonPattern
{
    bool find;
    bool download;
    bool chm;
    bool folder;
    bool exportTask;
    bool importTask;
};

constexpr ButtonPattern buttonPattern(ButtonState state)
{
    switch (state) {
    case ButtonState::Ready:
    case ButtonState::Packed:
        return {true, false, false, true, false, true};
    case ButtonState::Finding:
        return {true, false, false, true, false, false};
    case ButtonState::Found:
        return {true, true, false, true, true, true};
    case ButtonState::Downloading:
        return {false, false, false, true, false, false};
    case ButtonState::Downloaded:
        return {false, false, true, true, true, false};
    case ButtonState::Imported:
        return {false, true, false, true, false, true};
    }
    return {false, false, false, true, false, false};
}
