/// @file
/// Audio: sound effects and music from the game's data, in the library zarvello-audio (CMake: Zarvello::audio)
/// on SDL_mixer 1.2. A game asks for sound before runEngine; the engine then starts the mixer after its own
/// start-up and stops it before its own shutdown:
///
///     enableSound(0, 0, 0);                 // 44,100 Hz, stereo, 1,024-sample buffer
///     registerSoundSettings();              // soundVolume, effectsVolume, musicVolume in the configuration file
///     return runEngine(argc, argv, &hooks);
///
///     // in setUp and later
///     EngineSound *step = getSound("/sfx/step.wav");   // cached by data name, like images
///     playSound(step, 1.0, -0.5, SDL_FALSE);            // full volume, half left, once
///     playMusic("/music/theme.ogg", SDL_TRUE, 2000);    // looped, faded in over two seconds
///
/// Sounds and music are read through the data loader (loose files and archive members alike), in every format
/// SDL_mixer decodes: WAV, AIFF, VOC and Ogg Vorbis for sounds; WAV, Ogg Vorbis, FLAC, MP3, MOD and MIDI for
/// music. Volumes are 0.0 (silent) to 1.0 (full); a stereo position is -1.0 (left) to 1.0 (right).
/// Where no audio device opens, one console line says so and the game runs silent: every call below is then
/// harmless, and the loading calls still find the file (a missing one is reported as always).
/// Depends on: the engine (NFILoader through DataRWops, ConfigTable, EngineModule, Console, Memory), SDL_mixer,
/// CacheIndex, Utility.
#ifndef ZARVELLO_AUDIO_H
#define ZARVELLO_AUDIO_H

#include <SDL_types.h>

/// A sound effect held by the sound cache; the cache owns it until sound stops at shutdown.
struct EngineSound;

/// Asks for sound: the engine opens the mixer with the given mixing rate in Hz (0: 44,100), output channels
/// (0: 2, stereo; 1: mono) and buffer size in samples (0: 1,024; a power of two) after its start-up, and closes
/// it at shutdown. Called before runEngine. SDL_FALSE, after an "ERROR: " console line, for values outside 8,000
/// to 192,000 Hz, 1 or 2 channels, or 256 to 16,384 samples; nothing is then asked for.
SDL_bool enableSound(int frequency, int outputChannels, int bufferSamples);

/// How many sound effects play at once (8 unless a game says otherwise; 1 to 256), now or when sound starts.
/// When every channel is busy, playSound plays nothing and returns -1; the sounds already playing go on.
/// SDL_FALSE, after an "ERROR: " console line, for a count outside 1 to 256.
SDL_bool setSoundChannels(int count);

/// Whether an audio device is open: SDL_FALSE before start-up, after shutdown and where none could be opened.
SDL_bool soundIsOn();

/// The sound effect loaded from the data file filename on the first request, the same one on every later
/// request. Null, after a console line "getSound ('<name>'): <reason>", when the file is missing, damaged or of
/// a format the mixer cannot decode; a failure is not remembered. Where sound is off the sound is silent.
EngineSound *getSound(const char *filename);

/// The number of sounds in the cache.
Uint32 cachedSoundCount();

/// Plays sound at volume (0.0 to 1.0, times the effects and master volumes) and stereo position (-1.0 left,
/// 0.0 centre, 1.0 right), looped until stopped or once. The channel it plays on (0 and up), to stop it by;
/// -1 when every channel is busy, sound is null or sound is off. A channel is reused once its sound ends.
int playSound(EngineSound *sound, double volume, double position, SDL_bool loop);

/// Stops the sound playing on channel; a channel that plays nothing is ignored.
void stopSound(int channel);

/// Stops every sound effect (the music goes on).
void stopAllSounds();

/// Plays the music of the data file filename, streamed from it while it plays: looped until stopped or once,
/// fading in over fadeInMs milliseconds (0: at once). The music playing before is stopped. SDL_FALSE, after a
/// console line "playMusic ('<name>'): <reason>", when the file is missing, damaged or of an unknown format.
/// Where sound is off it only checks that the file exists.
SDL_bool playMusic(const char *filename, SDL_bool loop, int fadeInMs);

/// Fades the music out over ms milliseconds and then stops it (0: at once).
void fadeOutMusic(int ms);

/// Pauses the music where it is.
void pauseMusic();

/// Resumes paused music where it was paused.
void resumeMusic();

/// Stops the music and lets go of its data file.
void stopMusic();

/// Whether music is playing (paused music counts as playing; music fading out too).
SDL_bool musicIsPlaying();

/// The volume of all sound, 0.0 to 1.0 (values outside are clamped), applied at once to what plays.
void setMasterVolume(double volume);
/// The volume of all sound effects, 0.0 to 1.0, applied at once to the sounds playing.
void setEffectsVolume(double volume);
/// The volume of the music, 0.0 to 1.0, applied at once.
void setMusicVolume(double volume);
/// The volume of all sound (1.0 unless set or configured).
double masterVolume();
/// The volume of the sound effects (1.0 unless set or configured).
double effectsVolume();
/// The volume of the music (1.0 unless set or configured).
double musicVolume();

/// Registers the three volumes as game settings, so that players set them in the configuration file:
/// "soundVolume", "effectsVolume" and "musicVolume", each 0.0 to 1.0, default 1. Called before runEngine;
/// SDL_FALSE when a setting could not be registered (registerNumberSetting has said why).
SDL_bool registerSoundSettings();

#endif
