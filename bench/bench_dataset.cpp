// Placeholder: filled in by the dataset part.
