// The add-envelope pane (nested pane paneEnvAdd of the main window, built hidden at start-up, opened from
// the Envelope page) and the envelope menu's two other structural commands, delete and initialise.
// The pane lists the modules that are on and, for the chosen one, the parameters an envelope can
// drive; Add makes the new envelope in a free slot (two linked ones for a surround pan) and selects
// it on the page. While it is open it holds the sound (mainWindowHoldSound): its lists describe the
// sound it opened on, and Add writes into no other. Cancel changes nothing, the sound's edited state
// included. Every operation takes the main window's id (callbacks the control) and does nothing
// without the window's view or engine.
#pragma once
#include <cstdint>

#include "controls/ctrlTypes.h"
#include "preset/envDestKinds.h"

struct Engine;

enum { envAddPaneItems = 10, envAddTargetRows = 24, envAddParamRows = 16 };

// Items of pane paneEnvAdd.
enum EnvAddItem : std::uint16_t {
  envAddBackground = 1,
  envAddTargets = 2,
  envAddParams = 3,
  envAddTargetScroll = 4,
  envAddParamScroll = 5,
  envAddOk = 8,
  envAddCancelButton = 9
};
enum EnvAddPicture : std::int32_t {
  envAddPicBackground = 1616,
  envAddPicOk = 1624,
  envAddPicCancel = 1632,
  envAddPicList = 1648,
  envAddPicScroll = 2516
};

// Target kinds of the target list; the index is the channel 0..2 or 3 for the master section.
enum EnvAddKind {
  envAddOscil = 1,
  envAddFilter = 2,
  envAddMod = 3,
  envAddMasterFilter = 4,
  envAddWaveshape = 5,
  envAddEffect = 6,
  envAddChannel = 7
};

struct EnvAddTarget {
  std::int32_t kind;
  std::int32_t index;
};

struct EnvAddState {
  EnvAddTarget targetRows[envAddTargetRows];
  EnvDestKind paramDests[envAddParamRows];  // envDestNone = no row
  std::int16_t lastTargetRow;
  std::uint32_t sound;  // the engine's soundSerial when the pane opened
};
EnvAddState* envAddState();

// The targets the engine offers, in list order, with their row texts (32 bytes each); the count.
int envAddListTargets(Engine* engine, EnvAddTarget* rows, char (*texts)[32]);
// The destination kinds a target offers, in list order (at most 16); the count.
int envAddListParams(Engine* engine, std::int32_t kind, std::int32_t index, EnvDestKind* codes);

void envAddWindowCreate(WinId win);
void envAddPaneShow(WinId win);
void envAddFillTargets(WinId win, Engine* engine);
void envAddFillParams(WinId win, Engine* engine);
void envAddTargetChanged(ControlItem* item);
void envAddParamChanged(ControlItem* item);
void envAddButton(ControlItem* item, std::uint8_t pressed, std::int16_t state);
void envAddCancel(ControlItem* item, std::uint8_t pressed, std::int16_t state);
void envAddCommit(WinId win);
// The step pattern of a new pitch envelope while the page's grid is on: 4 / grid + 1 steps (at most
// 68) of a quarter of the preset's bar x the grid in beats, each a step at level 0.5, Retrigger.
void envAddFillSteps(WinId win, Engine* engine, std::int16_t slot);

// The envelope menu's "Delete Selected Envelope" (after the user's Yes) and "Initialize Selected
// Envelope". The delete refuses without a selected envelope (error 58813) and for a channel's
// amplitude envelope (58814); it keeps all 28 slots for Edit > Undo and clears the slot while the
// audio is stopped. The initialise keeps the slot for Edit > Undo and resets it to its
// destination's defaults under the slot handshake.
void envDeleteSelected(WinId win);
// The menu's entry: asks kEnvMsgDeleteAsk (warning icon, Yes/No, over the owner window) and deletes
// on Yes.
void envDeleteAfterAsking(WinId win);
void envInitSelected(WinId win);

extern const char* const kEnvMsgNoSlot;
extern const char* const kEnvMsgDeleteAsk;
extern const char* const kEnvMsgDeleteNone;
extern const char* const kEnvMsgDeleteRefused;

// The Envelope page's "add envelope" button (envItemAddEnvelope): opens the pane.
void envAddOnPageButton(ControlItem* item, std::uint8_t pressed, std::int16_t state);
