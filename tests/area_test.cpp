// Placeholder: the tests of this piece arrive with it.
