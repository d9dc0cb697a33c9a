#pragma once
// One tick of the petal field.

// Every petal falls FALL_PER_TICK pixels; those whose top edge has passed the bottom of the
// screen are dropped, survivors keep their order; the list is topped up to PETAL_POPULATION
// above the screen; then a frame is composed.
void StepPetals();
