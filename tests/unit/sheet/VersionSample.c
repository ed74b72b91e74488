/* VersionSample.dll carries only its version resource. */
int VersionSampleUnused(void) { return 0; }
