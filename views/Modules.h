#pragma once
// Every module of the program joins the module windows and the command line here.
// Registering twice replaces the earlier entries, so calling this again is harmless.
void RegisterModules();
