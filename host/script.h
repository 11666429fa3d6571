// Scenario scripts for the runner: one event a line, "P <event...>", where P is the 0-based pass
// before whose update the event arrives; "#" starts a comment.
//
//   P key down CODE | P key up CODE | P char CODE
//   P mouse down B X Y | P mouse up B X Y | P mouse move X Y
//   P joy U axis I V | P joy U button I 0|1 | P joy U unplug
//   P suspend | P resume | P resize W H
//   P set NAME VALUE   (an int or float field of the game, or a module global, set before the update)
//
// A recorded game (host/recording.h) starts with the header lines "zarnok-recording VERSION",
// "size W H" and "desktop W H R G B" (the desktop mode full screen switches to), keeps its lines
// in update order, and has four more lines: "P render" (a frame), "P clock MS" (what one reading of
// the clock returned), "P state N TEXT" (what one load of the state file returned: N UTF-16 units,
// printable ASCII as itself, every other unit and "%", "#" as "%XXXX") and "P check HEX" (the game's
// state digest after the update, 8 lowercase hex digits).
#pragma once

#include <string>
#include <vector>

// The largest window side a script or recording may ask for: what X and a screenshot of the window
// can hold.
constexpr int kSimMaxWindowSide = 16384;

struct SimEvent {
    enum Kind {
        KeyDown,
        KeyUp,
        Char,
        MouseDown,
        MouseUp,
        MouseMove,
        JoyAxis,
        JoyButton,
        JoyUnplug,
        Suspend,
        Resume,
        Resize,
        Set,
        Render,
        Clock,
        State,
        Check
    };
    int pass = 0;
    Kind kind = KeyDown;
    int a = 0, b = 0;     // key or character code, button, unit, width
    float x = 0, y = 0;   // pointer position, axis value; y also the height of a resize
    int index = 0;        // axis or button index of a joystick event
    std::string name;     // the field a set line writes; its value is in x (and a, when whole)
    std::u16string text;  // the state a state line returns; a clock line's value is in a
    unsigned digest = 0;  // the game's state digest a check line expects after the update
    int line = 0;         // the line of the script it came from
};

// The version of recorded games this program writes and replays. A change to the game's rules or to
// what the host records makes old recordings replay differently: it increments the version.
constexpr int kSimRecordingVersion = 1;

// The header of a recorded game.
struct SimRecording {
    bool present = false;
    int width = 0, height = 0;
    int desktop[5] = {-1, 0, 0, 0, 0};  // width, height, red, green and blue bits (-1: no line)
};

// A state line's TEXT for a state, and back (false for a malformed text).
std::string sim_encode_state(const std::u16string& state);
bool sim_decode_state(const std::string& text, std::u16string* state);

// Parses a script; on an error returns false with a message naming the line. With `recording`, a
// recorded game's header is read into it (and its version checked); without, header lines are errors. A set
// line's name is checked by known_name, which says whether the name is an int or float field (1 int, 2 float,
// 0 neither); an int field takes only a whole number.
bool sim_parse_script(const std::string& text, std::vector<SimEvent>* events, std::string* error,
                      int (*known_name)(const std::string& name) = nullptr,
                      SimRecording* recording = nullptr);
