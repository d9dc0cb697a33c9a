#pragma once
// The three global tables: the image table, the petal list and the tray record.

// Creates them zeroed and empty. Runs once, before anything else uses them.
void AllocateGlobals();

// Frees the three tables, and nothing else: every handle is left to the system at exit.
void ReleaseGlobals();
