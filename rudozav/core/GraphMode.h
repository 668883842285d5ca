#pragma once
// What ControlGraph asks of the graph, and the graph running mode it reached.

enum TGraphMode : int { gm_Stop, gm_Pause, gm_Run };
