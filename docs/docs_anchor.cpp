// Documents are added here as they land.
