// Placeholder so the app library has a source until its units land.
