/// @file
/// A game uses it to know whether it is being replayed; recording and replaying need no code of the game's own.
/// Replay: any game on runEngine records a play session, and replays it headless with its screens checked, when
/// the environment asks (the command line stays the game's):
///
///     ZARVELLO_RECORD=walk.zrec ./walker                  # play; walk.zrec is written when the game ends
///     ZARVELLO_REPLAY=walk.zrec ./walker                  # the same session again, headless, as fast as it goes
///
/// A recording keeps every event the main loop handles with the frame it came in, every reading of the frame
/// clock (Video.h), the game's settings after its configuration and switches, and the player's files the game
/// read (PlayerData.h). A replay runs on SDL's dummy video driver (and the dummy audio driver unless
/// SDL_AUDIODRIVER is set), gives every frame the recorded events and clock readings, never sleeps, reads the
/// player's files from the recording and writes none, and ends after the last recorded frame. The game's own
/// events (SDL_USEREVENT and above) are not recorded: it makes them again itself.
///
/// Checking the screens of a replay, at the end of chosen frames:
/// - ZARVELLO_REPLAY_FRAMES: "all" (the default), "every N" (every Nth frame and the last), or frame numbers
///   ("30 600 1200").
/// - ZARVELLO_REPLAY_CHECKSUMS=file: writes the screen's checksum at each chosen frame, one "FRAME CHECKSUM" line
///   each: the expected-screens file.
/// - ZARVELLO_REPLAY_SCREENSHOTS=folder: writes each chosen frame as folder/frame-NNNNNN.png.
/// - ZARVELLO_REPLAY_EXPECTED=file: compares the frames that file lists. At the first that differs the replay
///   logs an "ERROR: " line naming the frame, saves frame-NNNNNN-actual.png and the kept
///   frame-NNNNNN-expected.png (from the folder file.d beside the file) in the screenshots folder (the current
///   folder by default), stops, and the game exits with code 1.
///
/// A recording of another game, of a later engine or of another major version, or a file that is damaged,
/// truncated or no recording is refused before anything runs, with a console line naming what does not match, and
/// runEngine returns 1. The CMake function zarvello_add_replay_test does all this for a game's test suite.
/// Depends on: ReplaySession, RecordingFile, FileReplace, PngWriter, ScreenChecksum, SettingRows, Console,
/// GameLoop, PlayerData, Utility, Version, Video (`screen`).
#ifndef ZARVELLO_REPLAY_H
#define ZARVELLO_REPLAY_H

#include <SDL_types.h>

/// Whether this run replays a recording (ZARVELLO_REPLAY): a game may, say, leave out what a replay cannot
/// reproduce, such as network play.
SDL_bool isReplaying();

#endif
