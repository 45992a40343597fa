// File removal with retry: how the update deletes a file that may be held for
// a moment by someone else, keeping the window alive meanwhile.
#ifndef WIZARD_UPDATE_REMOVAL_H
#define WIZARD_UPDATE_REMOVAL_H

// 0: the file is gone, was not there, or name is none; else the platform's
// error code of the last failed delete. With retry, five more attempts 100 ms
// apart, pumping messages after each.
int RemoveFile(const char *name, int retry);

#endif
