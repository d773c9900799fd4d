package com.quorindel.veltrane.probe;

/** One part of the report: what the application would see of one service of the library. */
public interface Section {
    /** Runs the section's calls into the library and describes what they gave. */
    SectionReport run() throws ProbeFailure;
}
