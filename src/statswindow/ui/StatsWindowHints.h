#pragma once

class QWidget;

// Gives the statistics window's controls their hints (found by name under window), when hints are on.
void AddStatsWindowHints(QWidget* window);
