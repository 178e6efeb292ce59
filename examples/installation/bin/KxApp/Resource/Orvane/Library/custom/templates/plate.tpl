plate thickness=2
