// Resource numbers of the player.
#pragma once

#define IDI_QUORLIN        100
#define IDI_QUORLIN_FOLDER 101
#define IDI_QUORLIN_LIST   102
