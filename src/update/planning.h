// The planning pass: reads the update's description and fills the work list.
#ifndef WIZARD_UPDATE_PLANNING_H
#define WIZARD_UPDATE_PLANNING_H

// 1: go on to ExecutionPass; 0: stop (the user has been told why).
int PlanningPass();

#endif
