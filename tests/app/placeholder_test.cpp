// Placeholder so that the app test executable has a source until its tests land.
