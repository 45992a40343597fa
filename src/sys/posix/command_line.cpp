// Stand-in until the command-line splitter is written.
